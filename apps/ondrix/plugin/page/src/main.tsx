import { createRoot } from 'solid-js';
import { render } from 'solid-js/web';
import { createEditor } from './editor';
import { connect, type HostWindow } from './host/transport';
import { historyKey } from './keys';
import { guardedStore, KEYS } from './storage';
import { resolveTheme } from './theme';
import { App } from './ui/App';
import { createQuestions } from './ui/Dialog';
import { drawMeters, restyleMeters } from './ui/meters';
import './style.css';

// Read once: the plug-in sets this before the page's scripts run.
const inPlugin = (window as { __VANTREL_PLUGIN__?: unknown }).__VANTREL_PLUGIN__ === true;

const store = guardedStore(() => window.localStorage);

function applyTheme() {
  const dark = window.matchMedia?.('(prefers-color-scheme: dark)');
  const set = () => {
    document.documentElement.dataset.theme = resolveTheme(store.get(KEYS.theme), dark?.matches ?? true);
  };
  set();
  dark?.addEventListener?.('change', () => {
    set();
    restyleMeters();
  });
}

applyTheme();
const transport = inPlugin ? connect(window as HostWindow) : null;

createRoot(() => {
  const questions = createQuestions();
  const editor = createEditor({ transport, store, ask: questions.ask, draw: drawMeters });
  document.addEventListener('keydown', (e) => {
    const action = historyKey(e, document.activeElement as HTMLElement | null);
    if (!action || questions.asking()) return; // a question waits: the patch stays as asked about
    e.preventDefault();
    if (action === 'undo') editor.undo();
    else editor.redo();
  });
  render(() => <App editor={editor} Dialog={questions.Dialog} />, document.getElementById('app')!);
  void editor.start();
});
