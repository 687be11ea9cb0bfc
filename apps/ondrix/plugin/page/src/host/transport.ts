// The message link to the plug-in: invoke messages out through `window.ipc`, replies and
// events in through `window.__vtPlugin.receive`, which the plug-in calls with parsed objects.
import { canonicalJson } from '../text';

export interface HostWindow {
  ipc?: { postMessage(text: string): void };
  __vtPlugin?: { receive(message: unknown): void };
}

export type Listener = (event: Record<string, unknown>) => void;

export interface Transport {
  invoke<T = unknown>(cmd: string, args?: Record<string, unknown>): Promise<T>;
  listen(listener: Listener): void;
}

export const REFUSED = 'The plugin refused';

export function connect(win: HostWindow): Transport {
  let nextId = 1;
  const pending = new Map<number, { resolve(v: unknown): void; reject(e: Error): void }>();
  const listeners: Listener[] = [];

  win.__vtPlugin = {
    receive(message: unknown) {
      if (typeof message !== 'object' || message === null || Array.isArray(message)) return;
      const m = message as Record<string, unknown>;
      if (m.type !== 'reply') {
        for (const listener of [...listeners]) listener(m);
        return;
      }
      const entry = pending.get(m.id as number);
      if (!entry) return;
      pending.delete(m.id as number);
      if (m.ok === true) entry.resolve(m.value);
      else entry.reject(new Error(typeof m.error === 'string' ? m.error : REFUSED));
    },
  };

  return {
    invoke<T>(cmd: string, args: Record<string, unknown> = {}) {
      const id = nextId++;
      return new Promise<T>((resolve, reject) => {
        const ipc = win.ipc;
        if (!ipc) return; // no plug-in: the promise stays pending
        pending.set(id, { resolve: resolve as (v: unknown) => void, reject });
        // Lone surrogates (a pasted name) would make the text unreadable to the plug-in,
        // which then never answers: the canonical writer replaces them.
        ipc.postMessage(canonicalJson({ type: 'invoke', id, cmd, args }));
      });
    },
    listen(listener) {
      listeners.push(listener);
    },
  };
}
