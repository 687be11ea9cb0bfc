// The right panel's source tab: every control of the selected source.
import { For, Show } from 'solid-js';
import {
  hzAt, hzText, lengthLabel, NOTE_LENGTHS, positionOfHz, positionOfSmooth, rateIn, smoothAt,
} from '../controls/rate';
import type { Editor } from '../editor';
import {
  editSource, modulateControl, resetSource, setMotion, setShape,
} from '../patch/edits';
import { controlsOf, MOTIONS, SHAPES } from '../patch/shapes';
import type { Motion, Param, Patch, ShapeKind, Source } from '../patch/types';
import type { View } from '../view';
import { AmountSlider } from './AmountSlider';
import { DrawnPad } from './DrawnPad';
import { TapLabel } from './TapLabel';

const RESOLUTIONS = [0, 8, 6, 4, 3, 2];

const smoothText = (s: number) =>
  s === 0 ? 'Off' : s < 1 ? `${Math.round(s * 1000)} ms` : `${s.toFixed(2)} s`;

/** A range input that changes the patch while it moves and commits when let go. */
function Position(props: {
  label: string;
  value: number;
  text: string;
  onInput(p: number): void;
  onCommit(): void;
}) {
  return (
    <label class="position">
      <span class="amount-label">{props.label}</span>
      <input type="range" min="0" max="1" step="0.001" value={props.value} aria-label={props.label}
        style={{ '--fill': `${props.value * 100}%` }}
        onInput={(e) => props.onInput(e.currentTarget.valueAsNumber)}
        onChange={() => props.onCommit()} />
      <span class="amount-value">{props.text}</span>
    </label>
  );
}

export function SourceEditor(props: { editor: Editor; view: View }) {
  const editor = props.editor;
  const s = () => props.view.source();
  const src = () => editor.patch().sources[s()];
  const edit = (change: Partial<Source>): Patch => editSource(editor.patch(), s(), change);
  const live = (change: Partial<Source>) => editor.change(edit(change));
  const commit = (change: Partial<Source>) => editor.commit(edit(change));
  const kind = () => src().shape.kind;
  const taps = () => SHAPES[kind()].taps;

  const modulate = (param: Param) => {
    editor.commit(modulateControl(editor.patch(), s(), param));
    props.view.setGridParam(param);
    props.view.setLayout({ bottom: 'modulation' });
  };

  /** The button that routes another source into one of this source's controls. */
  const Modulate = (p: { param: Param; label: string }) => (
    <button type="button" class="icon mod" title={`Modulate ${p.label} from another source`}
      aria-label={`Modulate ${p.label}`} onClick={() => modulate(p.param)}>
      +
    </button>
  );

  /** An amount control of the source with its modulation button. */
  const Control = (p: { param: Param & keyof Source; label: string; min: 0 | -1 }) => (
    <div class="control">
      <AmountSlider label={p.label} min={p.min} value={src()[p.param] as number}
        onInput={(v) => live({ [p.param]: v })} onCommit={(v) => commit({ [p.param]: v })} />
      <Modulate param={p.param} label={p.label} />
    </div>
  );

  return (
    <div class="editor-form">
      <header class="form-head">
        <label class="switch" title="On or off">
          <input type="checkbox" checked={src().enabled} aria-label={`Source ${s() + 1} on`}
            onChange={(e) => commit({ enabled: e.currentTarget.checked })} />
          <span />
        </label>
        <h3>Source {s() + 1}</h3>
        <button type="button" class="reset" title="Every control back to its start"
          onClick={() => editor.commit(resetSource(editor.patch(), s()))}>
          Reset
        </button>
      </header>

      <div class="field-row">
        <label class="field">
          <span>Shape</span>
          <select aria-label="Shape" value={kind()}
            onChange={(e) => editor.commit(setShape(editor.patch(), s(), e.currentTarget.value as ShapeKind))}>
            <For each={Object.entries(SHAPES)}>
              {([k, info]) => <option value={k}>{info.label}</option>}
            </For>
          </select>
        </label>
        <Show when={src().shape.kind === 'field'}>
          <label class="field">
            <span>Motion</span>
            <select aria-label="Motion"
              value={(src().shape as { motion?: Motion }).motion ?? 'drift'}
              onChange={(e) => editor.commit(setMotion(editor.patch(), s(), e.currentTarget.value as Motion))}>
              <For each={Object.entries(MOTIONS)}>
                {([m, info]) => <option value={m}>{info.label}</option>}
              </For>
            </select>
          </label>
        </Show>
      </div>

      <Show when={src().shape.kind === 'drawn'}>
        <DrawnPad
          table={(src().shape as { table: number[] }).table}
          theme={props.view.theme()}
          onInput={(table) => live({ shape: { kind: 'drawn', table } })}
          onCommit={(table) => commit({ shape: { kind: 'drawn', table } })}
        />
      </Show>

      <div class="taps" aria-label="Taps">
        <For each={taps()}>{(name, t) => <TapLabel tap={t()} name={name} theme={props.view.theme()} />}</For>
      </div>

      <div class="controls-grid">
        <Control param="a" label={controlsOf(src().shape)[0].label} min={0} />
        <Control param="b" label={controlsOf(src().shape)[1].label} min={0} />
        <Show when={SHAPES[kind()].spread}>
          <Control param="spread" label="Spread" min={0} />
        </Show>
        <Control param="depth" label="Depth" min={-1} />
        <Control param="offset" label="Offset" min={-1} />
        <Control param="phase" label="Phase" min={0} />
        <Control param="rough" label="Rough" min={0} />
      </div>

      <section class="group">
        <header class="group-head">
          <h4>Rate</h4>
          <div class="segmented" role="group" aria-label="Rate mode">
            <button type="button" aria-pressed={src().rate.mode === 'free'}
              onClick={() => commit({ rate: rateIn('free', src().rate, editor.patch().tempo) })}>
              Free
            </button>
            <button type="button" aria-pressed={src().rate.mode === 'sync'}
              onClick={() => commit({ rate: rateIn('sync', src().rate, editor.patch().tempo) })}>
              Clocked
            </button>
          </div>
          <Modulate param="rate" label="Rate" />
        </header>
        <Show
          when={src().rate.mode === 'free' ? (src().rate as { hz: number }) : null}
          fallback={
            <label class="field">
              <span>Length</span>
              <select aria-label="Note length"
                value={lengthLabel((src().rate as { beats: number }).beats) ?? ''}
                onChange={(e) => {
                  const length = NOTE_LENGTHS.find((l) => l.label === e.currentTarget.value);
                  if (length) commit({ rate: { mode: 'sync', beats: length.beats } });
                }}>
                <For each={NOTE_LENGTHS}>{(l) => <option value={l.label}>{l.label}</option>}</For>
              </select>
            </label>
          }
        >
          {(free) => (
            <Position label="Hz" value={positionOfHz(free().hz)} text={hzText(free().hz)}
              onInput={(p) => live({ rate: { mode: 'free', hz: hzAt(p) } })}
              onCommit={() => editor.commit(editor.patch())} />
          )}
        </Show>
      </section>

      <section class="group">
        <Position label="Smooth" value={positionOfSmooth(src().smooth)} text={smoothText(src().smooth)}
          onInput={(p) => live({ smooth: smoothAt(p) })}
          onCommit={() => editor.commit(editor.patch())} />
        <div class="field-row">
          <label class="field">
            <span>Resolution</span>
            <select aria-label="Resolution" value={String(src().bits)}
              onChange={(e) => commit({ bits: Number(e.currentTarget.value) })}>
              <For each={RESOLUTIONS}>
                {(b) => <option value={String(b)}>{b === 0 ? 'Off' : `${b} bit`}</option>}
              </For>
            </select>
          </label>
          <label class="check">
            <input type="checkbox" checked={src().unipolar}
              onChange={(e) => commit({ unipolar: e.currentTarget.checked })} />
            Unipolar
          </label>
        </div>
      </section>
    </div>
  );
}
