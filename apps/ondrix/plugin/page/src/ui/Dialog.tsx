// In-page questions: the plug-in's web view shows no alert, confirm or prompt.
import { createSignal, Show } from 'solid-js';

interface Question {
  text: string;
  yes: string;
  answer(yes: boolean): void;
}

export function createQuestions() {
  const [question, setQuestion] = createSignal<Question | null>(null);

  function ask(text: string, yes: string): Promise<boolean> {
    question()?.answer(false);
    return new Promise((resolve) => {
      setQuestion({
        text,
        yes,
        answer(value) {
          setQuestion(null);
          resolve(value);
        },
      });
    });
  }

  function Dialog() {
    return (
      <Show when={question()}>
        {(q) => (
          <div class="backdrop">
            <div
              class="dialog"
              role="dialog"
              aria-modal="true"
              aria-label={q().text}
              onKeyDown={(e) => {
                if (e.key === 'Escape') q().answer(false);
              }}
            >
              <p>{q().text}</p>
              <div class="dialog-buttons">
                <button type="button" onClick={() => q().answer(false)}>Cancel</button>
                <button type="button" class="primary" ref={(b) => queueMicrotask(() => b.focus())}
                  onClick={() => q().answer(true)}>
                  {q().yes}
                </button>
              </div>
            </div>
          </div>
        )}
      </Show>
    );
  }

  return { ask, Dialog, asking: () => question() !== null };
}
