import { createSignal, Index, Show } from 'solid-js';
import type { Editor } from '../editor';
import { controlsOf, SHAPES } from '../patch/shapes';
import type { Rate, Source } from '../patch/types';
import { MeterColumn } from './Meter';
import { PresetsPanel } from './PresetsPanel';

const RESTART_TIP =
  'Every source back to the start of its cycle, together (like a reset on a modular)';

const rateText = (rate: Rate) =>
  rate.mode === 'free'
    ? `${rate.hz < 1 ? rate.hz.toFixed(2) : rate.hz.toFixed(1)} Hz`
    : `${rate.beats} beats`;

function SourceRow(props: { index: number; source: Source }) {
  return (
    <li classList={{ off: !props.source.enabled }}>
      <span class="num">{props.index + 1}</span>
      <span class="shape">{SHAPES[props.source.shape.kind].label}</span>
      <span class="rate">{rateText(props.source.rate)}</span>
      <span class="controls">
        {controlsOf(props.source.shape).map((c) => c.label).join(' · ')}
      </span>
    </li>
  );
}

function NewPatchMenu(props: { editor: Editor }) {
  const [open, setOpen] = createSignal(false);
  const choose = (kind: 'starter' | 'empty') => {
    setOpen(false);
    void props.editor.newPatch(kind);
  };
  return (
    <span class="menu">
      <button type="button" aria-haspopup="menu" aria-expanded={open()}
        onClick={() => setOpen(!open())}>
        New patch
      </button>
      <Show when={open()}>
        <span class="menu-items" role="menu">
          <button type="button" role="menuitem" onClick={() => choose('starter')}>Starter patch</button>
          <button type="button" role="menuitem" onClick={() => choose('empty')}>Empty patch</button>
        </span>
      </Show>
    </span>
  );
}

export function App(props: { editor: Editor; Dialog: () => unknown }) {
  const editor = props.editor;
  const outputs = (column: number) => editor.patch().outputs.slice(column * 16, column * 16 + 16);
  return (
    <div class="app">
      <header class="toolbar">
        <h1>Vantrel Ondrix</h1>
        <NewPatchMenu editor={editor} />
        <button type="button" title="Undo (Ctrl+Z)" disabled={!editor.canUndo()}
          onClick={() => editor.undo()}>
          Undo
        </button>
        <button type="button" title="Redo (Ctrl+Shift+Z)" disabled={!editor.canRedo()}
          onClick={() => editor.redo()}>
          Redo
        </button>
        <span class="tempo">{editor.patch().tempo} BPM</span>
      </header>
      <main class="main">
        <section class="panel sources" aria-label="Sources">
          <h2>Sources</h2>
          <div class="metered">
            <ol>
              <Index each={editor.patch().sources}>
                {(source, i) => <SourceRow index={i} source={source()} />}
              </Index>
            </ol>
            <MeterColumn count={16} width={90} read={(s) => editor.live.source(s)} />
          </div>
        </section>
        <section class="panel outputs" aria-label="Outputs">
          <h2>Outputs</h2>
          <div class="output-columns">
            <Index each={[0, 1, 2, 3]}>
              {(column) => (
                <div class="metered">
                  <ol>
                    <Index each={outputs(column())}>
                      {(output) => <li classList={{ off: !output().enabled }}>CC {output().cc}</li>}
                    </Index>
                  </ol>
                  <MeterColumn count={16} width={60} read={(o) => editor.live.outputs[column() * 16 + o]} />
                </div>
              )}
            </Index>
          </div>
          <p class="routes">
            {editor.patch().routes.length} routes
          </p>
        </section>
        <Show when={editor.inPlugin}>
          <PresetsPanel editor={editor} />
        </Show>
      </main>
      <footer class="bottom-bar">
        <Show when={editor.inPlugin}>
          <button type="button" title={RESTART_TIP} onClick={() => editor.restart()}>
            Restart
          </button>
          <span>Tempo and position from the host</span>
          <span>Sending to the host</span>
        </Show>
        <Show when={editor.status()}>
          <span class="error" role="alert">{editor.status()}</span>
        </Show>
      </footer>
      {props.Dialog() as never}
    </div>
  );
}
