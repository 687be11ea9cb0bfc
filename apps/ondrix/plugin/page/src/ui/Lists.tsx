// The left panel's lists: the sources and outputs in use, with their switches, add and remove.
import { createMemo, For, type JSX, Show } from 'solid-js';
import { hzText, lengthLabel } from '../controls/rate';
import type { Editor } from '../editor';
import {
  addOutput, addSource, editOutput, editSource, outputsInUse, removeOutput, removeSource, sourcesInUse,
} from '../patch/edits';
import { SHAPES } from '../patch/shapes';
import type { Patch, Rate } from '../patch/types';
import { OUTPUT_COUNT, SOURCE_COUNT } from '../patch/types';
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

/** One list: its heading with the add button, its rows, and a canvas of meters beside them. */
function ListSection(props: {
  title: string;
  noun: 'source' | 'output';
  items: number[];
  selected: number;
  /** Adds one and gives its index, or null when every slot is in use. */
  add(): number | null;
  full: boolean;
  remove(i: number): void;
  select(i: number): void;
  on(i: number): boolean;
  setOn(i: number, on: boolean): void;
  live(i: number): number;
  row(i: number): JSX.Element;
}) {
  const Noun = props.noun === 'source' ? 'Source' : 'Output';
  return (
    <section class={`list ${props.noun}s`} aria-label={props.title}>
      <header class="list-head">
        <h2>{props.title}</h2>
        <button type="button" class="icon add" title={`Add ${props.noun === 'source' ? 'a' : 'an'} ${props.noun}`}
          aria-label={`Add ${props.noun === 'source' ? 'a' : 'an'} ${props.noun}`}
          disabled={props.full} onClick={() => {
            const added = props.add();
            if (added !== null) props.select(added);
          }}>
          +
        </button>
      </header>
      <div class="metered-list">
        <ol>
          <For each={props.items}>
            {(i) => (
              <li classList={{ off: !props.on(i), selected: props.selected === i }} onClick={() => props.select(i)}>
                <Switch on={props.on(i)} label={`${Noun} ${i + 1} on`} onChange={(on) => props.setOn(i, on)} />
                <span class="num">{i + 1}</span>
                {props.row(i)}
                <span />
                <button type="button" class="icon remove" title="Remove" aria-label={`Remove ${props.noun} ${i + 1}`}
                  onClick={(e) => {
                    e.stopPropagation();
                    props.remove(i);
                    if (props.selected === i) props.select(0);
                  }}>
                  ×
                </button>
              </li>
            )}
          </For>
        </ol>
        {/* Made again when the number of rows changes. */}
        <Show when={props.items.length} keyed>
          {(count) => (
            <MeterColumn count={count} width={36} min={props.noun === 'source' ? -1 : 0}
              read={(row) => props.live(props.items[row] ?? 0)} />
          )}
        </Show>
      </div>
    </section>
  );
}

export function Lists(props: { editor: Editor; view: View }) {
  const editor = props.editor;
  const view = props.view;
  const patch = editor.patch;
  const sources = createMemo(() => sourcesInUse(patch()));
  const outputs = createMemo(() => outputsInUse(patch()));
  const added = (result: { patch: Patch; index: number } | null) => {
    if (!result) return null;
    editor.commit(result.patch);
    return result.index;
  };

  return (
    <>
      <ListSection title="Sources" noun="source" items={sources()} selected={view.source()}
        full={sources().length === SOURCE_COUNT} add={() => added(addSource(patch()))}
        remove={(s) => editor.commit(removeSource(patch(), s))} select={view.selectSource}
        on={(s) => patch().sources[s].enabled}
        setOn={(s, enabled) => editor.commit(editSource(patch(), s, { enabled }))}
        live={(s) => editor.live.source(s)}
        row={(s) => (
          <>
            <span class="name">{SHAPES[patch().sources[s].shape.kind].label}</span>
            <span class="rate">{rateText(patch().sources[s].rate)}</span>
          </>
        )} />
      <ListSection title="Outputs" noun="output" items={outputs()} selected={view.output()}
        full={outputs().length === OUTPUT_COUNT} add={() => added(addOutput(patch()))}
        remove={(o) => editor.commit(removeOutput(patch(), o))} select={view.selectOutput}
        on={(o) => patch().outputs[o].enabled}
        setOn={(o, enabled) => editor.commit(editOutput(patch(), o, { enabled }))}
        live={(o) => editor.live.outputs[o]}
        row={(o) => {
          const out = () => patch().outputs[o];
          return (
            <>
              <span class="name">
                {out().signal.kind === 'routed' ? `CC ${out().cc}` : SIGNAL_NAMES[out().signal.kind]}
                {out().fine ? ` / ${out().cc + 32}` : ''}
              </span>
              <span class="rate">ch {out().channel + 1}</span>
            </>
          );
        }} />
    </>
  );
}
