// Real keyboard and mouse input over WebDriver actions, with Playwright's Keyboard and Mouse
// calls: key names as Playwright writes them ("Control+Shift+Z"), and moves in steps.
import type { Action, Session, Source } from './webdriver';

const KEYS: Record<string, string> = {
  Backspace: '\uE003', Tab: '\uE004', Enter: '\uE007', Shift: '\uE008', Control: '\uE009',
  Alt: '\uE00A', Escape: '\uE00C', Space: ' ', PageUp: '\uE00E', PageDown: '\uE00F', End: '\uE010',
  Home: '\uE011', ArrowLeft: '\uE012', ArrowUp: '\uE013', ArrowRight: '\uE014', ArrowDown: '\uE015',
  Insert: '\uE016', Delete: '\uE017', Meta: '\uE03D', ControlOrMeta: '\uE009',
  ...Object.fromEntries(Array.from({ length: 12 }, (_, i) => [`F${i + 1}`, String.fromCharCode(0xe031 + i)])),
};

function keyValue(key: string): string {
  const value = KEYS[key] ?? ([...key].length === 1 ? key : undefined);
  if (value === undefined) throw new Error(`unknown key "${key}"`);
  return value;
}

/** "Control+Shift+Z" as its keys, modifiers first ("+" alone is the plus key). */
const chord = (keys: string) => (keys === '+' ? ['+'] : keys.split(/\+(?!$)/)).map(keyValue);

export class WebKitKeyboard {
  constructor(private readonly session: Session) {}

  private send(actions: Action[]) {
    return this.session.perform([{ type: 'key', id: 'keyboard', actions }]);
  }

  down(key: string) {
    return this.send([{ type: 'keyDown', value: keyValue(key) }]);
  }

  up(key: string) {
    return this.send([{ type: 'keyUp', value: keyValue(key) }]);
  }

  press(keys: string) {
    const values = chord(keys);
    return this.send([
      ...values.map((value): Action => ({ type: 'keyDown', value })),
      ...values.reverse().map((value): Action => ({ type: 'keyUp', value })),
    ]);
  }

  type(text: string) {
    return this.send([...text].flatMap((value): Action[] => [{ type: 'keyDown', value }, { type: 'keyUp', value }]));
  }
}

type Button = 'left' | 'middle' | 'right';
const BUTTONS: Record<Button, number> = { left: 0, middle: 1, right: 2 };

export class WebKitMouse {
  private x = 0;
  private y = 0;

  constructor(private readonly session: Session) {}

  private send(actions: Action[]) {
    const source: Source = { type: 'pointer', id: 'mouse', parameters: { pointerType: 'mouse' }, actions };
    return this.session.perform([source]);
  }

  /** Like Playwright, `steps` moves go in a straight line from the last position. */
  async move(x: number, y: number, { steps = 1 }: { steps?: number } = {}) {
    const from = { x: this.x, y: this.y };
    const moves: Action[] = [];
    for (let i = 1; i <= steps; i++) {
      // WebDriver takes whole CSS pixels.
      moves.push({
        type: 'pointerMove', origin: 'viewport', duration: 0,
        x: Math.round(from.x + ((x - from.x) * i) / steps), y: Math.round(from.y + ((y - from.y) * i) / steps),
      });
    }
    this.x = x;
    this.y = y;
    await this.send(moves);
  }

  down({ button = 'left' }: { button?: Button } = {}) {
    return this.send([{ type: 'pointerDown', button: BUTTONS[button] }]);
  }

  up({ button = 'left' }: { button?: Button } = {}) {
    return this.send([{ type: 'pointerUp', button: BUTTONS[button] }]);
  }

  async click(x: number, y: number, { button = 'left', clickCount = 1 }: { button?: Button; clickCount?: number } = {}) {
    await this.move(x, y);
    const b = BUTTONS[button];
    await this.send(Array.from({ length: clickCount }).flatMap((): Action[] => [
      { type: 'pointerDown', button: b }, { type: 'pointerUp', button: b },
    ]));
  }

  dblclick(x: number, y: number, options: { button?: Button } = {}) {
    return this.click(x, y, { ...options, clickCount: 2 });
  }
}
