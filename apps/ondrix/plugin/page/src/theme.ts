// Colour themes and interface sizes.

export const THEMES = ['midnight', 'graphite', 'violet', 'amber', 'daylight', 'paper'] as const;
export type Theme = (typeof THEMES)[number];

export const THEME_LABELS: Record<Theme, string> = {
  midnight: 'Midnight',
  graphite: 'Graphite',
  violet: 'Violet',
  amber: 'Amber CRT',
  daylight: 'Daylight',
  paper: 'Paper',
};

/** A theme, or "system": the theme menu's choices. */
export type ThemeChoice = Theme | 'system';

/** The stored choice as the theme menu shows it: nothing stored, or an id it does not know, is Midnight. */
export function readThemeChoice(stored: string | null): ThemeChoice {
  if (stored === 'system') return 'system';
  return (THEMES as readonly (string | null)[]).includes(stored) ? (stored as Theme) : 'midnight';
}

/** The stored choice as the id the style sheet knows: "system" follows the system's dark setting. */
export function resolveTheme(stored: string | null, systemDark: boolean): Theme {
  const choice = readThemeChoice(stored);
  if (choice === 'system') return systemDark ? 'midnight' : 'daylight';
  return choice;
}

/**
 * The dash pattern of each tap's trace (on and off lengths in CSS pixels; empty is a solid line),
 * for the themes whose four tap colours are too near to tell apart: the Amber CRT's are all amber.
 */
const TAP_DASHES: Partial<Record<Theme, readonly (readonly number[])[]>> = {
  amber: [[], [7, 3], [2, 3], [9, 3, 2, 3]],
};

export const tapDash = (theme: Theme, tap: number): number[] => [...(TAP_DASHES[theme]?.[tap] ?? [])];

/** A CSS background that draws a dash pattern along a legend's line in the text's colour. */
export function dashSwatch(dash: readonly number[]): string {
  if (dash.length === 0) return 'currentColor';
  let at = 0;
  const stops = dash.map((length, i) => {
    const stop = `${i % 2 === 0 ? 'currentColor' : 'transparent'} ${at}px ${at + length}px`;
    at += length;
    return stop;
  });
  return `repeating-linear-gradient(90deg, ${stops.join(', ')})`;
}

export const UI_SCALES = [0.75, 0.85, 1, 1.15, 1.3, 1.5] as const;

/** The listed size matching a stored one, or null (a stored size off the list marks no option). */
export const listedScale = (scale: number) => UI_SCALES.find((s) => s === scale) ?? null;
