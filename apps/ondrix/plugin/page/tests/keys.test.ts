import { describe, expect, it } from 'vitest';
import { historyKey, type KeyLike, shortcut } from '../src/keys';

const press = (key: string, mods: string): KeyLike => ({
  key,
  ctrlKey: mods.includes('ctrl'),
  metaKey: mods.includes('cmd'),
  shiftKey: mods.includes('shift'),
  altKey: mods.includes('alt'),
});

const body = { tagName: 'BODY' };

describe('history keys', () => {
  it.each([
    ['z', 'ctrl', 'undo'], ['z', 'cmd', 'undo'], ['Z', 'ctrl shift', 'redo'], ['Z', 'cmd shift', 'redo'],
    ['y', 'ctrl', 'redo'], ['y', 'cmd', null], ['z', '', null], ['z', 'shift', null],
    ['z', 'ctrl alt', null], ['y', 'ctrl alt', null], ['x', 'ctrl', null],
  ])('%s with [%s] is %s', (key, mods, action) => {
    expect(historyKey(press(key, mods), body)).toBe(action);
  });

  it.each([
    [{ tagName: 'INPUT', type: 'text' }, null],
    [{ tagName: 'INPUT' }, null],
    [{ tagName: 'INPUT', type: 'number' }, null],
    [{ tagName: 'input', type: 'search' }, null],
    [{ tagName: 'TEXTAREA' }, null],
    [{ tagName: 'DIV', isContentEditable: true }, null],
    [{ tagName: 'INPUT', type: 'checkbox' }, 'undo'],
    [{ tagName: 'INPUT', type: 'radio' }, 'undo'],
    [{ tagName: 'INPUT', type: 'range' }, 'undo'],
    [{ tagName: 'INPUT', type: 'button' }, 'undo'],
    [{ tagName: 'BUTTON' }, 'undo'],
    [{ tagName: 'SELECT' }, 'undo'],
    [null, 'undo'],
  ])('Ctrl+Z in %o is %s', (focus, action) => {
    expect(historyKey(press('z', 'ctrl'), focus)).toBe(action);
  });
});

describe('shortcut hints', () => {
  it.each([
    ['MacIntel', '⌘Z', '⇧⌘Z'],
    ['macOS', '⌘Z', '⇧⌘Z'],
    ['Win32', 'Ctrl+Z', 'Ctrl+Shift+Z'],
    ['Windows', 'Ctrl+Z', 'Ctrl+Shift+Z'],
    ['Linux x86_64', 'Ctrl+Z', 'Ctrl+Shift+Z'],
    ['', 'Ctrl+Z', 'Ctrl+Shift+Z'],
  ])('on %j undo is %s and redo %s', (platform, undo, redo) => {
    expect(shortcut('Z', false, platform)).toBe(undo);
    expect(shortcut('Z', true, platform)).toBe(redo);
  });
});
