// The amount slider: -1 to 1 with the bar from the middle, or 0 to 1 when `min` is 0.
import { amountAt, amountKey, amountText, barOf, dragAmount, round2 } from '../controls/amount';

export interface AmountProps {
  value: number;
  min?: 0 | -1;
  label: string;
  /** A value while the pointer drags: shown and sent, not yet a step in the history. */
  onInput(v: number): void;
  /** The value the gesture ends with, rounded to 0.01. */
  onCommit(v: number): void;
  compact?: boolean;
}

export function AmountSlider(props: AmountProps) {
  const min = () => props.min ?? -1;
  const bipolar = () => min() < 0;
  let dragging = false;
  let value = 0;
  let lastX = 0;

  const end = () => {
    if (!dragging) return;
    dragging = false;
    props.onCommit(round2(value));
  };

  const fill = () => {
    const bar = barOf(props.value, min());
    return { left: `${bar.start * 100}%`, width: `${bar.length * 100}%` };
  };

  return (
    <div
      class="amount"
      classList={{ bipolar: bipolar(), compact: props.compact, zero: props.value === 0 }}
      role="slider"
      tabindex="0"
      aria-label={props.label}
      aria-valuemin={min()}
      aria-valuemax={1}
      aria-valuenow={props.value}
      aria-valuetext={amountText(props.value, bipolar())}
      title={props.compact ? props.label : undefined}
      onPointerDown={(e) => {
        if (e.button !== 0) return;
        const el = e.currentTarget;
        el.setPointerCapture(e.pointerId);
        el.focus();
        const box = el.getBoundingClientRect();
        dragging = true;
        lastX = e.clientX;
        value = amountAt(e.clientX - box.left, box.width, min());
        props.onInput(value);
      }}
      onPointerMove={(e) => {
        if (!dragging) return;
        const box = e.currentTarget.getBoundingClientRect();
        value = dragAmount(value, e.clientX - lastX, box.width, min(), e.shiftKey);
        lastX = e.clientX;
        props.onInput(value);
      }}
      onPointerUp={end}
      onPointerCancel={end}
      onLostPointerCapture={end}
      onDblClick={() => props.onCommit(0)}
      onKeyDown={(e) => {
        if (e.ctrlKey || e.metaKey || e.altKey) return;
        const next = amountKey(e.key, e.shiftKey, props.value, min());
        if (next === null) return;
        e.preventDefault();
        props.onCommit(next);
      }}
    >
      <span class="amount-track">
        <span class="amount-fill" style={fill()} />
      </span>
      {!props.compact && <span class="amount-label">{props.label}</span>}
      <span class="amount-value">{amountText(props.value, bipolar())}</span>
    </div>
  );
}
