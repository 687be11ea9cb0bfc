// The left panel's lists: the sources and outputs in use, with their switches, add and remove.
import { createMemo, For, Show } from 'solid-js';
import { hzText, lengthLabel } from '../controls/rate';
import type { Editor } from '../editor';
import {
  addOutput, addSource, editOutput, editSource, outputInUse, removeOutput, removeSource, sourceInUse,
} from '../patch/edits';
import { SHAPES } from '../patch/shapes';
import type { Rate } from '../patch/types';
import type { View } from '../view';
import { MeterColumn } from './Meter';

const SIGNAL_NAMES = { routed: 'CC', clock: 'Clock', run: 'Run', reset: 'Reset' } as const;

const rateText = (rate: Rate) =>
  rate.mode === 'free' ? hzText(rate.hz) : lengthLabel(rate.beats) ?? `${rate.beats} beats`;

function Switch(props: { on: boolean; label: string; onChange(on: boolean): void }) {
  return (
    <label class="switch" title={props.on ? 'On' : 'Off'} onClick={(e) => e.stopPropagation()}>
      <input type="checkbox" checked={props.on} aria-label={props.label}
        onChange={(e) => props.onChange(e.currentTarget.checked)} />
      <span />
    </label>
  );
}

function ListHead(props: { title: string; add: string; onAdd(): void; full: boolean }) {
  return (
    <header class="list-head">
      <h2>{props.title}</h2>
      <button type="button" class="icon add" title={props.add} aria-label={props.add}
        disabled={props.full} onClick={() => props.onAdd()}>
        +
      </button>
    </header>
  );
}

export function Lists(props: { editor: Editor; view: View }) {
  const editor = props.editor;
  const view = props.view;
  const sources = createMemo(() =>
    editor.patch().sources.map((_, s) => s).filter((s) => sourceInUse(editor.patch(), s)));
  const outputs = createMemo(() =>
    editor.patch().outputs.map((_, o) => o).filter((o) => outputInUse(editor.patch(), o)));
  /** One canvas of meters beside a list, one row per item shown, made again when the count changes. */
  const meters = (items: () => number[], read: (index: number) => number) => (
    <Show when={items().length} keyed>
      {(count) => <MeterColumn count={count} width={36} read={(row) => read(items()[row] ?? 0)} />}
    </Show>
  );

  return (
    <>
      <section class="list" aria-label="Sources">
        <ListHead title="Sources" add="Add a source" full={addSource(editor.patch()) === null}
          onAdd={() => {
            const added = addSource(editor.patch());
            if (!added) return;
            editor.commit(added.patch);
            view.selectSource(added.index);
          }} />
        <div class="metered-list">
          <ol>
            <For each={sources()}>
              {(s) => {
                const src = () => editor.patch().sources[s];
                return (
                  <li classList={{ off: !src().enabled, selected: view.source() === s }}
                    onClick={() => view.selectSource(s)}>
                    <Switch on={src().enabled} label={`Source ${s + 1} on`}
                      onChange={(on) => editor.commit(editSource(editor.patch(), s, { enabled: on }))} />
                    <span class="num">{s + 1}</span>
                    <span class="name">{SHAPES[src().shape.kind].label}</span>
                    <span class="rate">{rateText(src().rate)}</span>
                    <span />
                    <button type="button" class="icon remove" title="Remove" aria-label={`Remove source ${s + 1}`}
                      onClick={(e) => {
                        e.stopPropagation();
                        editor.commit(removeSource(editor.patch(), s));
                        if (view.source() === s) view.selectSource(0);
                      }}>
                      ×
                    </button>
                  </li>
                );
              }}
            </For>
          </ol>
          {meters(sources, (s) => editor.live.source(s))}
        </div>
      </section>
      <section class="list outputs" aria-label="Outputs">
        <ListHead title="Outputs" add="Add an output" full={addOutput(editor.patch()) === null}
          onAdd={() => {
            const added = addOutput(editor.patch());
            if (!added) return;
            editor.commit(added.patch);
            view.selectOutput(added.index);
          }} />
        <div class="metered-list">
          <ol>
            <For each={outputs()}>
              {(o) => {
                const out = () => editor.patch().outputs[o];
                return (
                  <li classList={{ off: !out().enabled, selected: view.output() === o }}
                    onClick={() => view.selectOutput(o)}>
                    <Switch on={out().enabled} label={`Output ${o + 1} on`}
                      onChange={(on) => editor.commit(editOutput(editor.patch(), o, { enabled: on }))} />
                    <span class="num">{o + 1}</span>
                    <span class="name">
                      {out().signal.kind === 'routed' ? `CC ${out().cc}` : SIGNAL_NAMES[out().signal.kind]}
                      {out().fine ? ` / ${out().cc + 32}` : ''}
                    </span>
                    <span class="rate">ch {out().channel + 1}</span>
                    <span />
                    <button type="button" class="icon remove" title="Remove" aria-label={`Remove output ${o + 1}`}
                      onClick={(e) => {
                        e.stopPropagation();
                        editor.commit(removeOutput(editor.patch(), o));
                        if (view.output() === o) view.selectOutput(0);
                      }}>
                      ×
                    </button>
                  </li>
                );
              }}
            </For>
          </ol>
          {meters(outputs, (o) => editor.live.outputs[o])}
        </div>
      </section>
    </>
  );
}
