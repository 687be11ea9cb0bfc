import { createEffect, createSignal, For, onCleanup, Show } from 'solid-js';
import type { Editor } from '../editor';
import { shortcut } from '../keys';
import { within } from '../layout';
import { listedScale, THEME_LABELS, THEMES, UI_SCALES } from '../theme';
import type { View } from '../view';
import { Lists } from './Lists';
import { OutputEditor } from './OutputEditor';
import { PresetsPanel } from './PresetsPanel';
import { BottomView } from './Routing';
import { Scope } from './Scope';
import { SourceEditor } from './SourceEditor';

/**
 * The least room, in CSS pixels, each area keeps when the window (or a large interface size)
 * leaves less than the stored widths and share ask for: the side panels give way, down to these,
 * so that the centre keeps its own and at least 28 % of the width. Together they fit a
 * 900 x 560 window at 150 % (600 x 373 CSS pixels).
 */
const LEAST = { left: 185, centre: 170, right: 230, scope: 96, routing: 96 };

const PLATFORM =
  (navigator as { userAgentData?: { platform?: string } }).userAgentData?.platform || navigator.platform;

const RESTART_TIP =
  'Every source back to the start of its cycle, together (like a reset on a modular)';

function NewPatchMenu(props: { editor: Editor }) {
  const [open, setOpen] = createSignal(false);
  let menu!: HTMLSpanElement;
  let button!: HTMLButtonElement;
  const choose = (kind: 'starter' | 'empty') => {
    setOpen(false);
    void props.editor.newPatch(kind);
  };
  // While open, Escape or a press anywhere else closes it; the press still does its own work.
  createEffect(() => {
    if (!open()) return;
    const press = (e: PointerEvent) => {
      if (!menu.contains(e.target as Node)) setOpen(false);
    };
    const key = (e: KeyboardEvent) => {
      if (e.key !== 'Escape') return;
      setOpen(false);
      button.focus();
    };
    document.addEventListener('pointerdown', press, true);
    document.addEventListener('keydown', key);
    onCleanup(() => {
      document.removeEventListener('pointerdown', press, true);
      document.removeEventListener('keydown', key);
    });
  });
  return (
    <span class="menu" ref={menu}>
      <button type="button" ref={button} aria-haspopup="menu" aria-expanded={open()}
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

/** A drag handle between two areas; `onDrag` gets the pointer's travel since the press. */
function Splitter(props: {
  vertical?: boolean;
  label: string;
  onStart(): void;
  onDrag(dx: number, dy: number): void;
  onReset?: () => void;
}) {
  let from: { x: number; y: number } | null = null;
  return (
    <div
      class="splitter"
      classList={{ vertical: props.vertical }}
      role="separator"
      aria-label={props.label}
      aria-orientation={props.vertical ? 'horizontal' : 'vertical'}
      onPointerDown={(e) => {
        if (e.button !== 0) return;
        e.currentTarget.setPointerCapture(e.pointerId);
        from = { x: e.clientX, y: e.clientY };
        props.onStart();
      }}
      onPointerMove={(e) => {
        if (from) props.onDrag(e.clientX - from.x, e.clientY - from.y);
      }}
      onPointerUp={() => (from = null)}
      onPointerCancel={() => (from = null)}
      onDblClick={() => props.onReset?.()}
    />
  );
}

export function App(props: { editor: Editor; view: View; Dialog: () => unknown }) {
  const editor = props.editor;
  const view = props.view;
  const layout = view.layout;
  let centre!: HTMLDivElement;
  let start = { left: 0, right: 0, share: 0 };
  const remember = () => {
    start = { left: layout().leftWidth, right: layout().rightWidth, share: layout().share };
  };
  const columns = () => {
    const l = layout();
    return [
      l.leftOpen ? `minmax(${LEAST.left}px, ${l.leftWidth}px) 5px` : '',
      `minmax(max(${LEAST.centre}px, 28%), 1fr)`,
      l.rightOpen ? `5px minmax(${LEAST.right}px, ${l.rightWidth}px)` : '',
    ].join(' ');
  };
  const rows = () => {
    const share = layout().share;
    return `minmax(${LEAST.scope}px, ${share}fr) 5px minmax(${LEAST.routing}px, ${1 - share}fr)`;
  };

  return (
    <div class="app">
      <header class="toolbar">
        <h1 title="Vantrel Ondrix"><span class="logo" aria-hidden="true" /><span class="title">Vantrel Ondrix</span></h1>
        <NewPatchMenu editor={editor} />
        <button type="button" title={`Undo (${shortcut('Z', false, PLATFORM)})`} disabled={!editor.canUndo()}
          onClick={() => editor.undo()}>
          Undo
        </button>
        <button type="button" title={`Redo (${shortcut('Z', true, PLATFORM)})`} disabled={!editor.canRedo()}
          onClick={() => editor.redo()}>
          Redo
        </button>
        <span class="spacer" />
        <span class="tempo">{editor.patch().tempo} BPM</span>
        <button type="button" class="icon panel-toggle" aria-label="Left panel" title="Show or hide the lists"
          aria-pressed={layout().leftOpen} onClick={() => view.setLayout({ leftOpen: !layout().leftOpen })}>
          ◧
        </button>
        <button type="button" class="icon panel-toggle" aria-label="Right panel" title="Show or hide the editor"
          aria-pressed={layout().rightOpen} onClick={() => view.setLayout({ rightOpen: !layout().rightOpen })}>
          ◨
        </button>
        <select aria-label="Theme" title="Theme" value={view.themeChoice()}
          onChange={(e) => view.pickTheme(e.currentTarget.value)}>
          <For each={THEMES}>{(t) => <option value={t}>{THEME_LABELS[t]}</option>}</For>
          <option value="system">System</option>
        </select>
        {/* A stored size off the list is in use all the same, with no option marked. */}
        <select aria-label="Interface size" title="Interface size"
          value={listedScale(view.scale()) === null ? '' : String(view.scale())}
          onChange={(e) => view.pickScale(Number(e.currentTarget.value))}>
          <For each={UI_SCALES}>{(s) => <option value={String(s)}>{Math.round(s * 100)}%</option>}</For>
        </select>
      </header>

      <main class="main" style={{ 'grid-template-columns': columns() }}>
        <Show when={layout().leftOpen}>
          <aside class="panel left" aria-label="Lists">
            <Lists editor={editor} view={view} />
            <Show when={editor.inPlugin}>
              <PresetsPanel editor={editor} />
            </Show>
          </aside>
          <Splitter label="Left panel width" onStart={remember}
            onDrag={(dx) => view.setLayout({ leftWidth: within('leftWidth', start.left + dx) })} />
        </Show>

        <div class="centre" ref={centre}
          style={{ 'grid-template-rows': rows() }}>
          <Scope editor={editor} view={view} />
          <Splitter vertical label="Scope height" onStart={remember}
            onDrag={(_, dy) => view.setLayout({ share: within('share', start.share + dy / centre.clientHeight) })}
            onReset={() => view.setLayout({ share: 0.5 })} />
          <BottomView editor={editor} view={view} />
        </div>

        <Show when={layout().rightOpen}>
          <Splitter label="Right panel width" onStart={remember}
            onDrag={(dx) => view.setLayout({ rightWidth: within('rightWidth', start.right - dx) })} />
          <aside class="panel right" aria-label="Editor">
            <div class="tabs" role="tablist">
              <button type="button" role="tab" aria-selected={layout().tab === 'source'}
                onClick={() => view.setLayout({ tab: 'source' })}>
                Source
              </button>
              <button type="button" role="tab" aria-selected={layout().tab === 'output'}
                onClick={() => view.setLayout({ tab: 'output' })}>
                Output
              </button>
            </div>
            <Show when={layout().tab === 'source'} fallback={<OutputEditor editor={editor} view={view} />}>
              <SourceEditor editor={editor} view={view} />
            </Show>
          </aside>
        </Show>
      </main>

      <footer class="bottom-bar">
        <Show when={editor.inPlugin}>
          <button type="button" title={RESTART_TIP} onClick={() => editor.restart()}>
            Restart
          </button>
          <span class="status-dot">Tempo and position from the host</span>
          <span class="status-dot">Sending to the host</span>
        </Show>
        <Show when={editor.status()}>
          <span class="error" role="alert">{editor.status()}</span>
        </Show>
      </footer>
      {props.Dialog() as never}
    </div>
  );
}
