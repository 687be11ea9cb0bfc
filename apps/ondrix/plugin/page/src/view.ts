// What the page shows besides the patch: the panel layout, the selected source and output,
// the colour theme and the interface size. Each is kept in local storage when it changes.
import { createEffect, createSignal } from 'solid-js';
import type { Editor } from './editor';
import { type Layout, readLayout } from './layout';
import type { Param } from './patch/types';
import { KEYS, readUiScale, type Store } from './storage';
import { readThemeChoice, resolveTheme, type ThemeChoice } from './theme';
import { restyleMeters } from './ui/meters';

export type View = ReturnType<typeof createView>;

export function createView(editor: Editor, store: Store, root: HTMLElement) {
  const [layout, setLayoutSignal] = createSignal<Layout>(readLayout(store.get(KEYS.layout)));
  const [source, setSource] = createSignal(0);
  const [output, setOutput] = createSignal(0);
  const [gridParam, setGridParam] = createSignal<Param>('rate');

  function setLayout(change: Partial<Layout>) {
    const next = { ...layout(), ...change };
    setLayoutSignal(next);
    store.set(KEYS.layout, JSON.stringify(next));
  }

  // Theme: the stored choice, with "system" following the system's dark setting as it changes.
  const dark = window.matchMedia?.('(prefers-color-scheme: dark)');
  const [systemDark, setSystemDark] = createSignal(dark?.matches ?? true);
  dark?.addEventListener?.('change', (e) => setSystemDark(e.matches));
  const [themeChoice, setThemeChoice] = createSignal<ThemeChoice>(readThemeChoice(store.get(KEYS.theme)));
  const theme = () => resolveTheme(themeChoice(), systemDark());
  createEffect(() => {
    root.dataset.theme = theme();
    restyleMeters();
  });

  function pickTheme(id: string) {
    setThemeChoice(readThemeChoice(id));
    store.set(KEYS.theme, id);
  }

  // Interface size: the plug-in zooms its web view; a plain browser zooms the page.
  const [scale, setScale] = createSignal(readUiScale(store));
  if (!editor.inPlugin) root.style.setProperty('zoom', String(scale()));

  function pickScale(next: number) {
    setScale(next);
    store.set(KEYS.uiScale, String(next));
    if (editor.inPlugin) editor.zoom(next);
    else root.style.setProperty('zoom', String(next));
  }

  return {
    layout, setLayout,
    source, output, gridParam, setGridParam,
    selectSource(s: number) {
      setSource(s);
      setLayout({ tab: 'source' });
    },
    selectOutput(o: number) {
      setOutput(o);
      setLayout({ tab: 'output' });
    },
    theme, themeChoice, pickTheme, scale, pickScale,
  };
}
