import { describe, expect, it } from 'vitest';
import { DEFAULT_LAYOUT, readLayout } from '../src/layout';
import { dashSwatch, listedScale, readThemeChoice, resolveTheme } from '../src/theme';

describe('stored layout', () => {
  it.each([
    ['nothing', null, {}],
    ['not JSON', '{', {}],
    ['an array', '[1,2]', {}],
    ['a narrow left panel', '{"leftWidth":100}', { leftWidth: 200 }],
    ['wide panels', '{"leftWidth":900,"rightWidth":900}', { leftWidth: 420, rightWidth: 520 }],
    ['a narrow right panel', '{"rightWidth":10}', { rightWidth: 320 }],
    ['the old share', '{"share":0.64}', { share: 0.5 }],
    ['shares out of range', '{"share":0.1}', { share: 0.3 }],
    ['a share near the top', '{"share":0.99}', { share: 0.85 }],
    ['the old routing tab', '{"tab":"routing","bottom":"routing"}', { bottom: 'modulation' }],
    ['the output tab', '{"tab":"output"}', {}],
    ['closed panels', '{"leftOpen":false,"rightOpen":false}', { leftOpen: false, rightOpen: false }],
    ['kept values', '{"leftWidth":300,"rightWidth":400,"share":0.7,"bottom":"modulation"}',
      { leftWidth: 300, rightWidth: 400, share: 0.7, bottom: 'modulation' }],
    ['values of the wrong type', '{"leftWidth":"300","leftOpen":1,"share":null,"tab":5,"bottom":"grid"}', {}],
  ])('%s', (_, text, expected) => {
    expect(readLayout(text)).toEqual({ ...DEFAULT_LAYOUT, ...expected });
  });
});

describe('themes and sizes', () => {
  it.each([
    // stored, dark system -> theme applied, choice the menu shows
    [null, true, 'midnight', 'midnight'],
    ['system', true, 'midnight', 'system'],
    ['system', false, 'daylight', 'system'],
    ['amber', false, 'amber', 'amber'],
    ['paper', true, 'paper', 'paper'],
    ['neon', false, 'midnight', 'midnight'],
    ['', false, 'midnight', 'midnight'],
    ['Amber', true, 'midnight', 'midnight'],
  ])('%j with a dark system %s is %s, shown as %s', (stored, dark, theme, shown) => {
    expect(resolveTheme(stored, dark)).toBe(theme);
    expect(readThemeChoice(stored)).toBe(shown);
  });

  it('draws a legend swatch with its trace\'s dash pattern', () => {
    expect(dashSwatch([])).toBe('currentColor');
    expect(dashSwatch([9, 3, 2, 3])).toBe('repeating-linear-gradient(90deg, currentColor 0px 9px, ' +
      'transparent 9px 12px, currentColor 12px 14px, transparent 14px 17px)');
  });

  it('marks a listed size only', () => {
    expect(listedScale(1.15)).toBe(1.15);
    expect(listedScale(1.2)).toBeNull();
  });
});
