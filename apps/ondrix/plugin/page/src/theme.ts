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

export const UI_SCALES = [0.75, 0.85, 1, 1.15, 1.3, 1.5] as const;

/** The listed size matching a stored one, or null (a stored size off the list marks no option). */
export const listedScale = (scale: number) => UI_SCALES.find((s) => s === scale) ?? null;
