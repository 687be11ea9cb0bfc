import { createSignal, For, Show } from 'solid-js';
import type { Editor } from '../editor';

/** A text field that ends once: Enter or leaving it commits, Escape cancels. */
function NameField(props: {
  value: string;
  label: string;
  onEnd(value: string | null): void;
}) {
  let ended = false;
  const end = (value: string | null) => {
    if (ended) return;
    ended = true;
    props.onEnd(value);
  };
  return (
    <input
      class="name-field"
      type="text"
      aria-label={props.label}
      value={props.value}
      ref={(el) => queueMicrotask(() => { el.focus(); el.select(); })}
      onKeyDown={(e) => {
        if (e.key !== 'Enter' && e.key !== 'Escape') return;
        // Without this the same Enter would also press the button of a question it opens.
        e.preventDefault();
        end(e.key === 'Enter' ? e.currentTarget.value : null);
      }}
      onBlur={(e) => end(e.currentTarget.value)}
    />
  );
}

export function PresetsPanel(props: { editor: Editor }) {
  const editor = props.editor;
  const [naming, setNaming] = createSignal(false);
  const [renaming, setRenaming] = createSignal<string | null>(null);

  const save = async () => {
    if (editor.current() === null) setNaming(true);
    else await editor.savePreset();
  };

  return (
    <section class="panel presets" aria-label="Presets">
      <header>
        <h2>Presets</h2>
        <button type="button" title="Read the list again" onClick={() => editor.refreshPresets()}>
          Refresh
        </button>
      </header>
      <p class="current">
        {editor.current() === null
          ? 'Not saved as a preset'
          : `${editor.current()}${editor.edited() ? ' (edited)' : ''}`}
      </p>
      <div class="row">
        <button type="button" onClick={save}>Save</button>
        <button type="button" onClick={() => setNaming(true)}>Save as…</button>
      </div>
      <Show when={naming()}>
        <NameField
          label="Preset name"
          value={editor.current() ?? ''}
          onEnd={async (name) => {
            // A typed name is saved; an empty field or Escape only closes it.
            setNaming(false);
            if (name !== null && name.trim() !== '') await editor.savePresetAs(name);
          }}
        />
      </Show>
      <Show when={editor.presetError()}>
        <p class="error" role="alert">{editor.presetError()}</p>
      </Show>
      <ul class="preset-list">
        <For each={editor.presets()}>
          {(name) => (
            <li classList={{ selected: name === editor.current() }}>
              <Show
                when={renaming() === name}
                fallback={
                  <button type="button" class="preset-name" title={`Load ${name}`}
                    onClick={() => editor.loadPreset(name)}>
                    {name}
                  </button>
                }
              >
                <NameField
                  label={`New name for ${name}`}
                  value={name}
                  onEnd={(to) => {
                    setRenaming(null);
                    if (to !== null) void editor.renamePreset(name, to);
                  }}
                />
              </Show>
              <button type="button" class="icon" title="Rename" aria-label={`Rename ${name}`}
                onClick={() => setRenaming(name)}>
                ✎
              </button>
              <button type="button" class="icon" title="Delete" aria-label={`Delete ${name}`}
                onClick={() => editor.deletePreset(name)}>
                ×
              </button>
            </li>
          )}
        </For>
      </ul>
    </section>
  );
}
