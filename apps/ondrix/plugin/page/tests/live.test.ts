import { describe, expect, it } from 'vitest';
import { LiveValues, RING_LENGTH } from '../src/host/live';

/** Trace frames whose tap i holds frame + i / 1000 and output o holds -(frame + o / 1000). */
const trace = (frames: number, from = 0) =>
  Array.from({ length: frames }, (_, f) => [
    ...Array.from({ length: 64 }, (_, i) => from + f + i / 1000),
    ...Array.from({ length: 64 }, (_, o) => -(from + f + o / 1000)),
  ]).flat();

describe('live values', () => {
  it('takes whole frames of 128 and ignores the rest', () => {
    const live = new LiveValues();
    live.take({ sources: [], outputs: [], trace: [...trace(2, 1), ...Array(44).fill(9)] });
    expect(live.frame).toBe(1);
    expect([live.tapRings[5].at(0), live.tapRings[5].at(1), live.tapRings[5].at(2)])
      .toEqual([Math.fround(2.005), Math.fround(1.005), 0]);
    expect([live.outputRings[63].at(0), live.outputRings[63].at(1)])
      .toEqual([Math.fround(-2.063), Math.fround(-1.063)]);
  });

  it('keeps the last 1000 of 2500 frames, oldest first', () => {
    const live = new LiveValues();
    live.take({ trace: trace(2500) });
    const ring = live.tapRings[0].values();
    expect(ring).toHaveLength(RING_LENGTH);
    expect([ring[0], ring[999]]).toEqual([1500, 2499]);
    live.take({ trace: trace(1, 2500) });
    expect([live.tapRings[0].values()[0], live.tapRings[0].at(0)]).toEqual([1501, 2500]);
  });

  it('reads current values, with 0 for whatever is missing or not a number', () => {
    const live = new LiveValues();
    const sources = Array.from({ length: 64 }, (_, i) => i / 100);
    sources[8] = null as unknown as number;
    live.take({ sources, outputs: [0.5, 'x', null], trace: [null, ...Array(127).fill(1)] });
    expect([live.source(0), live.source(1), live.source(2), live.taps[63]])
      .toEqual([0, Math.fround(0.04), 0, Math.fround(0.63)]);
    expect([live.outputs[0], live.outputs[1], live.outputs[2], live.outputs[3]]).toEqual([0.5, 0, 0, 0]);
    expect(live.tapRings[0].at(0)).toBe(0);
    for (const reply of [null, 'busy', { trace: 'x' }]) live.take(reply);
    expect([live.frame, live.source(1), live.tapRings[1].at(0)]).toEqual([4, 0, 1]);
  });
});
