// The right panel's output tab: the selected output's MIDI settings and what it sends.
import { createEffect, createSignal, For, on, Show } from 'solid-js';
import { CLOCK_RATES, SENDS, type Typed, typedCc, typedChannel } from '../controls/output';
import type { Editor } from '../editor';
import { canBeFine, editOutput, setFine, setSignal } from '../patch/edits';
import type { Output, Signal } from '../patch/types';
import type { View } from '../view';
import { AmountSlider } from './AmountSlider';

/**
 * A typed number. The field shows the text as typed; Enter or leaving the field commits it when
 * `read` takes it. A text it refuses changes nothing: `onError` says why, and leaving the field
 * puts back what the patch holds.
 */
function NumberField(props: {
  label: string;
  value: number;
  read(text: string): Typed;
  onCommit(value: number): void;
  onError(error: string | null): void;
}) {
  const [refused, setRefused] = createSignal(false);
  /** True when the text was taken. */
  const end = (field: HTMLInputElement, leaving: boolean) => {
    const typed = props.read(field.value);
    if ('error' in typed) {
      props.onError(typed.error);
      if (leaving) field.value = String(props.value);
      setRefused(!leaving);
      return false;
    }
    setRefused(false);
    props.onError(null);
    props.onCommit(typed.value);
    field.value = String(props.value);
    return true;
  };
  return (
    <label class="field number">
      <span>{props.label}</span>
      <input type="text" inputmode="numeric" aria-label={props.label} value={props.value}
        aria-invalid={refused()}
        onKeyDown={(e) => {
          if (e.key === 'Enter' && end(e.currentTarget, false)) e.currentTarget.blur();
        }}
        onBlur={(e) => end(e.currentTarget, true)} />
    </label>
  );
}

export function OutputEditor(props: { editor: Editor; view: View }) {
  const editor = props.editor;
  const o = () => props.view.output();
  const out = () => editor.patch().outputs[o()];
  const edit = (change: Partial<Output>) => editOutput(editor.patch(), o(), change);
  // Why the last typed CC or channel was refused; gone with the next one taken or another output.
  const [typedError, setTypedError] = createSignal<string | null>(null);
  createEffect(on(o, () => setTypedError(null), { defer: true }));

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
        <NumberField label="CC" value={out().cc} onError={setTypedError}
          read={(text) => typedCc(text, out().fine)}
          onCommit={(cc) => editor.commit(edit({ cc }))} />
        <label class="check" title={canBeFine(out().cc) ? 'CC and CC + 32' : 'Only for CC 0 to 31'}>
          <input type="checkbox" checked={out().fine} disabled={!out().fine && !canBeFine(out().cc)}
            onChange={(e) => editor.commit(setFine(editor.patch(), o(), e.currentTarget.checked))} />
          14-bit
        </label>
        <NumberField label="Channel" value={out().channel + 1} onError={setTypedError}
          read={typedChannel}
          onCommit={(channel) => editor.commit(edit({ channel }))} />
      </div>
      <Show when={typedError()}>
        <p class="error field-error" role="alert">{typedError()}</p>
      </Show>

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
