// Colour themes: the stored choice resolved to the id the style sheet knows.

export const THEMES = ['midnight', 'graphite', 'violet', 'amber', 'daylight', 'paper'] as const;
export type Theme = (typeof THEMES)[number];

export function resolveTheme(stored: string | null, systemDark: boolean): Theme {
  if (stored === null) return 'midnight';
  if (stored === 'system') return systemDark ? 'midnight' : 'daylight';
  return (THEMES as readonly string[]).includes(stored) ? (stored as Theme) : 'midnight';
}
