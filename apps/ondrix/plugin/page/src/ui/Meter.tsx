// A value from -1 to 1 as a bar from the middle.
export function Meter(props: { value: () => number }) {
  return (
    <span class="meter">
      <span
        class="meter-bar"
        style={{ transform: `scaleX(${Math.max(-1, Math.min(1, props.value()))})` }}
      />
    </span>
  );
}
