import { describe, expect, it } from 'vitest';
import { amountAt, amountKey, amountText, barOf, dragAmount, round2 } from '../src/controls/amount';
import { typedCc, typedChannel } from '../src/controls/output';
import { padIndex, padValue, stroke } from '../src/controls/pad';
import {
  hzAt, hzOfBeats, hzText, lengthLabel, nearestLength, NOTE_LENGTHS, positionOfHz,
  positionOfSmooth, rateIn, smoothAt,
} from '../src/controls/rate';
import { gridLines, scopeRange } from '../src/controls/scope';
import { canBeFine } from '../src/patch/edits';

describe('amount slider', () => {
  it.each([
    // key, shift, value, minimum -> value
    ['ArrowRight', false, 0.37, -1, 0.42],
    ['ArrowRight', true, 0.37, -1, 0.38],
    ['ArrowUp', false, 0.37, -1, 0.42],
    ['ArrowLeft', false, 0.37, -1, 0.32],
    ['ArrowDown', true, 0.37, -1, 0.36],
    ['ArrowRight', false, 0.98, -1, 1],
    ['ArrowLeft', false, -0.98, -1, -1],
    ['ArrowLeft', false, 0.02, 0, 0],
    ['ArrowLeft', true, 0.004, 0, 0],
    ['ArrowRight', false, 0.333, 0, 0.38],
    ['Backspace', false, 0.6, -1, 0],
    ['Delete', false, -0.6, -1, 0],
    ['0', false, 0.6, 0, 0],
  ] as const)('%s (Shift %s) on %f with minimum %i gives %f', (key, shift, value, min, out) => {
    expect(amountKey(key, shift, value, min)).toBe(out);
  });

  it('leaves other keys alone', () => {
    expect(amountKey('a', false, 0.5, -1)).toBeNull();
    expect(amountKey('Enter', false, 0.5, -1)).toBeNull();
  });

  it('sets the value under the pointer and follows its travel, five times finer with Shift', () => {
    expect(amountAt(50, 200, -1)).toBe(-0.5);
    expect(amountAt(50, 200, 0)).toBe(0.25);
    expect(amountAt(-10, 200, 0)).toBe(0);
    expect(amountAt(500, 200, -1)).toBe(1);
    expect(dragAmount(0, 100, 200, -1, false)).toBe(1); // the width is the whole range
    expect(dragAmount(0, 100, 200, -1, true)).toBeCloseTo(0.2, 12);
    expect(dragAmount(0.5, 100, 200, 0, false)).toBe(1);
    expect(dragAmount(0.1, -100, 200, 0, false)).toBe(0);
    expect(round2(dragAmount(0, 13, 200, -1, false))).toBe(0.13);
  });

  it.each([
    [0.37, true, '+37%'],
    [-0.37, true, '-37%'],
    [0.37, false, '37%'],
    [0, true, '\u00B7'],
    [0.004, true, '\u00B7'],
    [-0.004, true, '\u00B7'],
    [1, true, '+100%'],
    [0.005, false, '1%'],
  ])('shows %f (bipolar %s) as %s', (value, bipolar, text) => {
    expect(amountText(value, bipolar)).toBe(text);
  });
});

describe('bars of sliders and meters', () => {
  it.each([
    // An output's level of 0 to 1 fills from the left edge: an idle bipolar output (0.5) is
    // half full, CC 0 is empty, CC 127 full.
    [0, 0, 0, 0],
    [0.5, 0, 0, 0.5],
    [1, 0, 0, 1],
    [0.25, 0, 0, 0.25],
    [-0.3, 0, 0, 0],
    [1.4, 0, 0, 1],
    // A value of -1 to 1 grows from the middle either way.
    [0, -1, 0.5, 0],
    [0.5, -1, 0.5, 0.25],
    [-0.5, -1, 0.25, 0.25],
    [-1, -1, 0, 0.5],
    [-3, -1, 0, 0.5],
    [Number.NaN, -1, 0.5, 0],
  ] as const)('%f with minimum %i starts at %f and is %f long', (value, min, start, length) => {
    expect(barOf(value, min)).toEqual({ start, length });
  });
});

describe('rate', () => {
  it('spans 0.01 to 40 Hz on a logarithmic slider', () => {
    expect(hzAt(0)).toBe(0.01);
    expect(hzAt(1)).toBeCloseTo(40, 10);
    expect(hzAt(0.5)).toBeCloseTo(0.01 * Math.sqrt(4000), 10);
    expect(positionOfHz(hzAt(0.3))).toBeCloseTo(0.3, 12);
  });

  it.each([
    [100, 1], [40, 1], [0.001, 0], [0, 0], [-3, 0], [NaN, 0],
  ])('shows a stored %f Hz at the clamped position %f', (hz, p) => {
    expect(positionOfHz(hz)).toBeCloseTo(p, 12);
  });

  it.each([
    [0.25, '0.25 Hz'], [0.999, '1.00 Hz'], [0.01, '0.01 Hz'], [1, '1.0 Hz'], [12.34, '12.3 Hz'], [40, '40.0 Hz'],
  ])('formats %f as %s', (hz, text) => {
    expect(hzText(hz)).toBe(text);
  });

  it('lists the 14 note lengths from 8 bars to 1/32', () => {
    expect(NOTE_LENGTHS.map((l) => l.label)).toEqual([
      '8 bars', '4 bars', '2 bars', '1 bar', '1/2', '1/4.', '1/4', '1/4T', '1/8.', '1/8', '1/8T',
      '1/16', '1/16T', '1/32',
    ]);
    expect(lengthLabel(2 / 3)).toBe('1/4T');
    expect(lengthLabel(0.3)).toBeNull();
  });

  it.each([
    // hz, tempo -> beats
    [4, 120, 0.5],
    [2, 120, 1],
    [1.3, 120, 1.5],
    [100, 120, 0.125], // an old rate above 40 Hz converts as 40 Hz
    [0, 120, 32], // and one that is not positive as 0.01 Hz
    [120 / 60 / Math.sqrt(32 * 16), 120, 32], // halfway in log ratio: the longer length
    [120 / 60 / Math.sqrt(0.125 * (1 / 6)), 120, 1 / 6],
  ])('Free %f Hz at %i BPM becomes Clocked %f beats', (hz, tempo, beats) => {
    expect(nearestLength(hz, tempo).beats).toBe(beats);
  });

  it.each([
    [0.5, 120, 4], [1, 120, 2], [32, 20, 20 / 60 / 32], [0.125, 300, 40], [0, 120, 0.01],
  ])('Clocked %f beats at %i BPM becomes Free %f Hz', (beats, tempo, hz) => {
    expect(hzOfBeats(beats, tempo)).toBeCloseTo(hz, 12);
  });

  it('switches a rate between Free and Clocked, and keeps it in its own mode', () => {
    expect(rateIn('sync', { mode: 'free', hz: 4 }, 120)).toEqual({ mode: 'sync', beats: 0.5 });
    expect(rateIn('free', { mode: 'sync', beats: 0.5 }, 90)).toEqual({ mode: 'free', hz: 3 });
    const free = { mode: 'free', hz: 100 } as const; // kept as stored until it is changed
    expect(rateIn('free', free, 120)).toBe(free);
  });

  it.each([
    [0, 0], [0.5, 0.5], [1, 2], [0.3, 0.18], [0.123, 0.03], [0.7071, 1], [2, 2],
  ])('smooth at position %f is %f seconds', (p, s) => {
    expect(smoothAt(p)).toBe(s);
  });

  it('puts a stored smoothing back at its position', () => {
    expect(positionOfSmooth(0.5)).toBe(0.5);
    expect(positionOfSmooth(-1)).toBe(0);
    expect(positionOfSmooth(8)).toBe(1);
  });
});

describe('scope range', () => {
  const f = (...v: number[]) => Float32Array.from(v);
  it.each([
    [[f(0.2, 0.4)], false, [-1, 1]],
    [[f(0.2, 0.4)], true, [0, 1]],
    [[f(0.1), f(1.00005)], true, [0, 1]],
    [[f(1.2)], false, [-1, 1.5]],
    [[f(-1.2)], true, [-1.5, 1]],
    [[f(-7, 9)], false, [-4, 4]],
    [[f(-0.99995, 2.001)], false, [-1, 2.5]],
    [[[NaN, Infinity, 0.5]], false, [-1, 1]],
  ] as const)('%j (unipolar %s) spans %j', (traces, unipolar, range) => {
    expect(scopeRange(traces, unipolar)).toEqual(range);
  });

  it('draws a grid line every 0.5', () => {
    expect(gridLines([-1, 1])).toEqual([-1, -0.5, 0, 0.5, 1]);
    expect(gridLines([0, 1.5])).toEqual([0, 0.5, 1, 1.5]);
  });
});

describe('drawn pad', () => {
  it('maps the pointer to an index of the table and a value', () => {
    expect([0, 99, 100, 640, 645, 1000].map((x) => padIndex(x, 640, 64))).toEqual([0, 10, 10, 63, 63, 63]);
    expect(padIndex(-5, 640, 64)).toBe(0);
    expect([0, 50, 100, 150].map((y) => padValue(y, 100))).toEqual([1, 0, -1, -1]);
    expect(padValue(-20, 100)).toBe(1);
  });

  it('sets every index between two samples on a straight line, either way', () => {
    const table = Array(32).fill(0);
    const up = stroke(table, 10, 0.5, 20, -0.5);
    up.slice(10, 21).forEach((v, k) => expect(v).toBeCloseTo(0.5 - k * 0.1, 12));
    expect([up[10], up[20]]).toEqual([0.5, -0.5]);
    expect(up.slice(0, 10)).toEqual(Array(10).fill(0));
    expect(up.slice(21)).toEqual(Array(11).fill(0));
    const down = stroke(table, 20, -0.5, 10, 0.5);
    down.forEach((v, i) => expect(v).toBeCloseTo(up[i], 12));
    expect(stroke(table, 5, 0.1, 5, 0.9)[5]).toBe(0.9);
    expect(table).toEqual(Array(32).fill(0));
  });
});

describe('typed CC and channel', () => {
  const CC = 'CC must be a whole number from 0 to 127';
  const FINE = 'A 14-bit CC must be a whole number from 0 to 31';
  it.each([
    // text, 14-bit -> stored CC, or why the text changes nothing
    ['40', false, 40], ['0', false, 0], ['127', false, 127], [' 7 ', true, 7], ['031', true, 31],
    ['12.6', false, CC], ['0x1F', false, CC], ['1e2', false, CC], ['', false, CC], ['  ', false, CC],
    ['+5', false, CC], ['abc', false, CC], ['12 6', false, CC], ['-', false, CC],
    // A whole number out of range is clamped.
    ['128', false, 127], ['99999999999999999999', false, 127], ['-1', false, 0],
    ['100', true, 31], ['32', true, 31], ['1.5', true, FINE],
  ] as const)('CC %j (14-bit %s) -> %j', (text, fine, expected) => {
    expect(typedCc(text, fine)).toEqual(typeof expected === 'number' ? { value: expected } : { error: expected });
  });

  const CHANNEL = 'Channel must be a whole number from 1 to 16';
  it.each([
    ['1', 0], ['16', 15], ['05', 4], ['0', 0], ['20', 15], ['-1', 0], ['1.5', CHANNEL],
    ['x', CHANNEL], ['', CHANNEL],
  ] as const)('channel %j -> stored %j', (text, expected) => {
    expect(typedChannel(text)).toEqual(typeof expected === 'number' ? { value: expected } : { error: expected });
  });

  it('offers 14-bit up to CC 31', () => {
    expect([0, 31, 32, 40].map(canBeFine)).toEqual([true, true, false, false]);
  });
});
