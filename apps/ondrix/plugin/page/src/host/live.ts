// The live display's state: the latest tap and output values and a ring of the last 1000
// values per tap and per output, fed by the plug-in's `live_values` replies.
import { OUTPUT_COUNT, SOURCE_COUNT, TAP_COUNT } from '../patch/types';

export const RING_LENGTH = 1000;
const TAPS = SOURCE_COUNT * TAP_COUNT;
const FRAME = 128; // one trace frame: 64 tap values, then 64 output values

/** A fixed ring of single-precision values, oldest first when read. */
export class Ring {
  private readonly data = new Float32Array(RING_LENGTH);
  private head = 0; // where the next value goes, which is also the oldest

  push(v: number): void {
    this.data[this.head] = v;
    this.head = (this.head + 1) % RING_LENGTH;
  }

  /** The value `back` steps before the newest (0 = newest). */
  at(back: number): number {
    return this.data[(this.head - 1 - back + 2 * RING_LENGTH) % RING_LENGTH];
  }

  values(): Float32Array {
    const out = new Float32Array(RING_LENGTH);
    out.set(this.data.subarray(this.head), 0);
    out.set(this.data.subarray(0, this.head), RING_LENGTH - this.head);
    return out;
  }
}

const value = (v: unknown) => (typeof v === 'number' && Number.isFinite(v) ? v : 0);

export class LiveValues {
  readonly tapRings = Array.from({ length: TAPS }, () => new Ring());
  readonly outputRings = Array.from({ length: OUTPUT_COUNT }, () => new Ring());
  readonly taps = new Float32Array(TAPS);
  readonly outputs = new Float32Array(OUTPUT_COUNT);
  frame = 0;

  /** Source s's current value: its first tap. */
  source(s: number): number {
    return this.taps[s * TAP_COUNT];
  }

  /** Takes one `live_values` reply; anything missing or not a number counts as 0. */
  take(reply: unknown): void {
    const r = (typeof reply === 'object' && reply !== null ? reply : {}) as Record<string, unknown>;
    const list = (v: unknown): unknown[] => (Array.isArray(v) ? v : []);
    const sources = list(r.sources);
    const outputs = list(r.outputs);
    const trace = list(r.trace);
    const frames = Math.floor(trace.length / FRAME);
    const first = frames - Math.min(frames, RING_LENGTH);
    for (let f = first; f < frames; f++) {
      const base = f * FRAME;
      for (let i = 0; i < TAPS; i++) this.tapRings[i].push(value(trace[base + i]));
      for (let o = 0; o < OUTPUT_COUNT; o++) this.outputRings[o].push(value(trace[base + TAPS + o]));
    }
    for (let i = 0; i < TAPS; i++) this.taps[i] = value(sources[i]);
    for (let o = 0; o < OUTPUT_COUNT; o++) this.outputs[o] = value(outputs[o]);
    this.frame++;
  }
}
