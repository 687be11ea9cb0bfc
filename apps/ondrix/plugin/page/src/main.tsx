import { createRoot } from 'solid-js';
import { render } from 'solid-js/web';
import { createEditor } from './editor';
import { connect, type HostWindow } from './host/transport';
import { historyKey } from './keys';
import { guardedStore } from './storage';
import { App } from './ui/App';
import { createQuestions } from './ui/Dialog';
import { drawMeters } from './ui/meters';
import { createView } from './view';
import './style.css';

// Read once: the plug-in sets this before the page's scripts run.
const inPlugin = (window as { __VANTREL_PLUGIN__?: unknown }).__VANTREL_PLUGIN__ === true;

const store = guardedStore(() => window.localStorage);

const transport = inPlugin ? connect(window as HostWindow) : null;

createRoot(() => {
  const questions = createQuestions();
  const editor = createEditor({ transport, store, ask: questions.ask, draw: drawMeters });
  // The theme is applied here, before anything is drawn.
  const view = createView(editor, store, document.documentElement);
  document.addEventListener('keydown', (e) => {
    const action = historyKey(e, document.activeElement as HTMLElement | null);
    if (!action || questions.asking()) return; // a question waits: the patch stays as asked about
    e.preventDefault();
    if (action === 'undo') editor.undo();
    else editor.redo();
  });
  render(() => <App editor={editor} view={view} Dialog={questions.Dialog} />, document.getElementById('app')!);
  void editor.start();
});
