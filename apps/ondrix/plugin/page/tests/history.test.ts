import { describe, expect, it } from 'vitest';
import { History } from '../src/history';

function historyAt() {
  const clock = { t: 0 };
  const h = new History(() => clock.t);
  h.restart('start');
  return { h, clock };
}

/** Walks back to the start and returns the snapshots met, newest first. */
const undoAll = (h: History) => {
  const seen: string[] = [];
  for (let s = h.undo(); s !== null; s = h.undo()) seen.push(s);
  return seen;
};

describe('history', () => {
  it('makes one step of edits within 600 ms and a new one after a pause', () => {
    const { h, clock } = historyAt();
    for (const [t, text] of [[0, 'e1'], [250, 'e2'], [500, 'e3'], [1200, 'e4']] as const) {
      clock.t = t;
      h.commit(text);
    }
    expect(undoAll(h)).toEqual(['e3', 'start']);
  });

  it('keeps the newest 200 snapshots', () => {
    const { h, clock } = historyAt();
    for (let i = 1; i <= 201; i++) {
      clock.t = i * 1000;
      h.commit(`e${i}`);
    }
    expect(h.size).toBe(200);
    const seen = undoAll(h);
    expect(seen).toHaveLength(199);
    expect(seen.at(-1)).toBe('e2');
  });

  it('records nothing for a commit equal to the current snapshot', () => {
    const { h, clock } = historyAt();
    clock.t = 1000;
    h.commit('start');
    expect(h.canUndo).toBe(false);
    h.commit('e1');
    clock.t = 5000;
    h.commit('e1');
    expect(undoAll(h)).toEqual(['start']);
  });

  it('undoes and redoes to both ends and drops the redo branch on an edit', () => {
    const { h, clock } = historyAt();
    for (const [t, text] of [[1000, 'a'], [2000, 'b']] as const) {
      clock.t = t;
      h.commit(text);
    }
    expect([h.undo(), h.undo(), h.undo()]).toEqual(['a', 'start', null]);
    expect([h.redo(), h.redo(), h.redo()]).toEqual(['a', 'b', null]);
    expect([h.undo(), h.canRedo]).toEqual(['a', true]);
    h.commit('c'); // 2000 ms: within 600 ms of the last commit, but undo ended coalescing
    expect([h.canRedo, h.undo(), h.undo()]).toEqual([false, 'a', 'start']);
  });

  it('starts over on restart and keeps a separated step apart', () => {
    const { h, clock } = historyAt();
    h.commit('a');
    h.restart('loaded');
    expect([h.canUndo, h.canRedo, h.size]).toEqual([false, false, 1]);
    clock.t = 10;
    h.commit('edit');
    h.separate();
    h.commit('preset');
    expect(undoAll(h)).toEqual(['edit', 'loaded']);
  });
});
