// The right panel's output tab: the selected output's MIDI settings and what it sends.
import { For, Show } from 'solid-js';
import { CLOCK_RATES, SENDS, typedCc, typedChannel } from '../controls/output';
import type { Editor } from '../editor';
import { canBeFine, editOutput, setFine, setSignal } from '../patch/edits';
import type { Output, Signal } from '../patch/types';
import type { View } from '../view';
import { AmountSlider } from './AmountSlider';

/**
 * A typed number: each keystroke that reads as a number changes the patch at once; Enter or
 * leaving the field commits, and the field then shows what the patch holds.
 */
function NumberField(props: {
  label: string;
  value: number;
  onInput(text: string): void;
  onEnd(): void;
}) {
  return (
    <label class="field number">
      <span>{props.label}</span>
      <input type="text" inputmode="numeric" aria-label={props.label} value={props.value}
        onInput={(e) => props.onInput(e.currentTarget.value)}
        onKeyDown={(e) => {
          if (e.key === 'Enter') e.currentTarget.blur();
        }}
        onBlur={(e) => {
          props.onEnd();
          e.currentTarget.value = String(props.value);
        }} />
    </label>
  );
}

export function OutputEditor(props: { editor: Editor; view: View }) {
  const editor = props.editor;
  const o = () => props.view.output();
  const out = () => editor.patch().outputs[o()];
  const edit = (change: Partial<Output>) => editOutput(editor.patch(), o(), change);
  const end = () => editor.commit(editor.patch());

  return (
    <div class="editor-form">
      <header class="form-head">
        <label class="switch" title="On or off">
          <input type="checkbox" checked={out().enabled} aria-label={`Output ${o() + 1} on`}
            onChange={(e) => editor.commit(edit({ enabled: e.currentTarget.checked }))} />
          <span />
        </label>
        <h3>Output {o() + 1}</h3>
      </header>

      <div class="field-row">
        <NumberField label="CC" value={out().cc} onEnd={end}
          onInput={(text) => {
            const cc = typedCc(text, out().fine);
            if (cc !== null) editor.change(edit({ cc }));
          }} />
        <label class="check" title={canBeFine(out().cc) ? 'CC and CC + 32' : 'Only for CC 0 to 31'}>
          <input type="checkbox" checked={out().fine} disabled={!out().fine && !canBeFine(out().cc)}
            onChange={(e) => editor.commit(setFine(editor.patch(), o(), e.currentTarget.checked))} />
          14-bit
        </label>
        <NumberField label="Channel" value={out().channel + 1} onEnd={end}
          onInput={(text) => {
            const channel = typedChannel(text);
            if (channel !== null) editor.change(edit({ channel }));
          }} />
      </div>

      <label class="field">
        <span>Sends</span>
        <select aria-label="Sends" value={out().signal.kind}
          onChange={(e) => editor.commit(setSignal(editor.patch(), o(), e.currentTarget.value as Signal['kind']))}>
          <For each={SENDS}>{(s) => <option value={s.kind}>{s.label}</option>}</For>
        </select>
      </label>

      <Show when={out().signal.kind === 'clock' ? (out().signal as { ppqn: number }) : null}>
        {(clock) => (
          <label class="field">
            <span>Clock</span>
            <select aria-label="Clock rate" value={String(clock().ppqn)}
              onChange={(e) => editor.commit(edit({ signal: { kind: 'clock', ppqn: Number(e.currentTarget.value) } }))}>
              <For each={CLOCK_RATES}>{(c) => <option value={String(c.ppqn)}>{c.label}</option>}</For>
            </select>
          </label>
        )}
      </Show>

      <Show when={out().signal.kind === 'routed'}>
        <label class="field">
          <span>Input range</span>
          <select aria-label="Input range" value={out().bipolar ? 'bipolar' : 'unipolar'}
            onChange={(e) => editor.commit(edit({ bipolar: e.currentTarget.value === 'bipolar' }))}>
            <option value="bipolar">Bipolar (-1..+1)</option>
            <option value="unipolar">Unipolar (0..+1)</option>
          </select>
        </label>
        <AmountSlider label="Offset" value={out().offset}
          onInput={(offset) => editor.change(edit({ offset }))}
          onCommit={(offset) => editor.commit(edit({ offset }))} />
      </Show>
    </div>
  );
}
