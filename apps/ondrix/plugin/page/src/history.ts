// Undo history of patch texts. Edits that follow each other within 600 ms make one step.

export const HISTORY_LIMIT = 200;
export const COALESCE_MS = 600;

export class History {
  private snapshots: string[] = [];
  private index = 0;
  private lastCommit = -Infinity;

  constructor(private readonly now: () => number = () => performance.now()) {}

  /** Starts over with one snapshot. */
  restart(text: string): void {
    this.snapshots = [text];
    this.index = 0;
    this.lastCommit = -Infinity;
  }

  /** Records the patch text after an edit. */
  commit(text: string): void {
    if (this.snapshots[this.index] === text) return;
    this.snapshots.length = this.index + 1;
    const now = this.now();
    if (now - this.lastCommit < COALESCE_MS && this.index > 0) {
      this.snapshots[this.index] = text;
    } else {
      this.snapshots.push(text);
      if (this.snapshots.length > HISTORY_LIMIT) this.snapshots.shift();
      this.index = this.snapshots.length - 1;
    }
    this.lastCommit = now;
  }

  /** Makes the next commit a step of its own, however soon it comes. */
  separate(): void {
    this.lastCommit = -Infinity;
  }

  /** The snapshot one step back, or null at the start. */
  undo(): string | null {
    return this.move(-1);
  }

  /** The snapshot one step forward, or null at the end. */
  redo(): string | null {
    return this.move(1);
  }

  get canUndo(): boolean {
    return this.index > 0;
  }

  get canRedo(): boolean {
    return this.index < this.snapshots.length - 1;
  }

  get size(): number {
    return this.snapshots.length;
  }

  private move(by: number): string | null {
    const to = this.index + by;
    if (to < 0 || to >= this.snapshots.length) return null;
    this.index = to;
    this.lastCommit = -Infinity;
    return this.snapshots[to];
  }
}
