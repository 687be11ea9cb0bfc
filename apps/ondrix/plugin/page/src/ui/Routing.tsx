// Below the scope: the routing view (the selected source's taps to outputs) and the
// modulation grid (every source's taps into one control of every source).
import { For, Index, Show } from 'solid-js';
import type { Editor } from '../editor';
import {
  addModulation, gridAmount, outputsInUse, routesTo, setGridCell, setRouteAmount, sourcesInUse,
  toggleRoute,
} from '../patch/edits';
import { controlsOf, SHAPES } from '../patch/shapes';
import type { Param, Patch } from '../patch/types';
import { PARAMS, TAP_COUNT } from '../patch/types';
import type { View } from '../view';
import { AmountSlider } from './AmountSlider';

const PARAM_LABELS: Record<Param, string> = {
  rate: 'Rate', depth: 'Depth', offset: 'Offset', phase: 'Phase', a: 'Control 1', b: 'Control 2',
  spread: 'Spread', smooth: 'Smooth', rough: 'Rough',
};

const TAPS = Array.from({ length: TAP_COUNT }, (_, t) => t);

const tapName = (patch: Patch, s: number, t: number) => SHAPES[patch.sources[s].shape.kind].taps[t];

function RoutingView(props: { editor: Editor; view: View }) {
  const editor = props.editor;
  const s = () => props.view.source();
  const outputs = () => outputsInUse(editor.patch());
  const routes = () =>
    editor.patch().routes.map((r, i) => ({ r, i })).filter(({ r }) => r.from === s() && r.to === 'output');

  return (
    <div class="routing">
      <table class="matrix" aria-label="Routing">
        <thead>
          <tr>
            <th />
            <For each={outputs()}>
              {(o) => <th title={`Output ${o + 1}`}>CC {editor.patch().outputs[o].cc}</th>}
            </For>
          </tr>
        </thead>
        <tbody>
          <For each={TAPS}>
            {(t) => (
              <tr>
                <th class={`tap tap${t}`}>{tapName(editor.patch(), s(), t)}</th>
                <For each={outputs()}>
                  {(o) => (
                    <td>
                      <button type="button" class="cell"
                        aria-pressed={routesTo(editor.patch(), s(), t, o)}
                        aria-label={`${tapName(editor.patch(), s(), t)} to output ${o + 1}`}
                        onClick={() => editor.commit(toggleRoute(editor.patch(), s(), t, o))} />
                    </td>
                  )}
                </For>
              </tr>
            )}
          </For>
        </tbody>
      </table>
      <ul class="route-list">
        <Index each={routes()}>
          {(item) => (
            <li>
              <span class={`tap tap${item().r.tap}`}>{tapName(editor.patch(), item().r.from, item().r.tap)}</span>
              <span class="arrow">→</span>
              <span class="name">Output {item().r.index + 1} · CC {editor.patch().outputs[item().r.index]?.cc}</span>
              <AmountSlider compact label={`Amount to output ${item().r.index + 1}`} value={item().r.amount}
                onInput={(v) => editor.change(setRouteAmount(editor.patch(), item().i, v))}
                onCommit={(v) => editor.commit(setRouteAmount(editor.patch(), item().i, v))} />
            </li>
          )}
        </Index>
      </ul>
    </div>
  );
}

function ModulationGrid(props: { editor: Editor; view: View }) {
  const editor = props.editor;
  const used = () => sourcesInUse(editor.patch());
  const param = () => props.view.gridParam();
  const label = (target: number) => {
    const p = param();
    if (p !== 'a' && p !== 'b') return PARAM_LABELS[p];
    return controlsOf(editor.patch().sources[target].shape)[p === 'a' ? 0 : 1].label;
  };

  return (
    <div class="modulation">
      <div class="toolbar-row">
        <label class="field inline">
          <span>Control</span>
          <select aria-label="Modulated control" value={param()}
            onChange={(e) => props.view.setGridParam(e.currentTarget.value as Param)}>
            <For each={PARAMS}>{(p) => <option value={p}>{PARAM_LABELS[p]}</option>}</For>
          </select>
        </label>
        <button type="button" onClick={() => {
          editor.commit(addModulation(editor.patch()));
          props.view.setGridParam('rate');
        }}>
          Add modulation
        </button>
      </div>
      <table class="matrix grid" aria-label="Modulation">
        <thead>
          <tr>
            <th />
            <For each={used()}>{(target) => <th title={label(target)}>{target + 1} · {label(target)}</th>}</For>
          </tr>
        </thead>
        <tbody>
          <For each={used()}>
            {(s) => <For each={TAPS}>{(t) => (
              <tr classList={{ 'first-tap': t === 0 }}>
                <th><span class="num">{s + 1}</span> <span class={`tap tap${t}`}>{tapName(editor.patch(), s, t)}</span></th>
                <For each={used()}>
                  {(target) => (
                    <td>
                      <AmountSlider compact
                        label={`Source ${s + 1} ${tapName(editor.patch(), s, t)} to ${label(target)} of source ${target + 1}`}
                        value={gridAmount(editor.patch(), s, t, target, param())}
                        onInput={(v) => editor.change(setGridCell(editor.patch(), s, t, target, param(), v))}
                        onCommit={(v) => editor.commit(setGridCell(editor.patch(), s, t, target, param(), v))} />
                    </td>
                  )}
                </For>
              </tr>
            )}</For>}
          </For>
        </tbody>
      </table>
    </div>
  );
}

export function BottomView(props: { editor: Editor; view: View }) {
  const bottom = () => props.view.layout().bottom;
  return (
    <div class="bottom-view">
      <div class="tabs" role="tablist">
        <button type="button" role="tab" aria-selected={bottom() === 'routing'}
          onClick={() => props.view.setLayout({ bottom: 'routing' })}>
          Routing
        </button>
        <button type="button" role="tab" aria-selected={bottom() === 'modulation'}
          onClick={() => props.view.setLayout({ bottom: 'modulation' })}>
          Modulation
        </button>
      </div>
      <div class="tab-body">
        <Show when={bottom() === 'routing'} fallback={<ModulationGrid {...props} />}>
          <RoutingView {...props} />
        </Show>
      </div>
    </div>
  );
}
