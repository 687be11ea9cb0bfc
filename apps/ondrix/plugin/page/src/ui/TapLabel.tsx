import { dashSwatch, tapDash, type Theme } from '../theme';

/** A tap's name in its trace's colour, after a short line drawn as its trace is. */
export function TapLabel(props: { tap: number; name: string; theme: Theme }) {
  return (
    <span class={`tap tap${props.tap}`} style={{ '--swatch': dashSwatch(tapDash(props.theme, props.tap)) }}>
      {props.name}
    </span>
  );
}
