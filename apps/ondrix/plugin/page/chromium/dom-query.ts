// The locators of the WebDriver backend, run inside the page: Playwright's getByRole, getByText,
// getByLabel and CSS locators over the live document, with the accessible names, visibility and
// text matching the suites rely on. `domQuery` is sent to the page as source text, so it must not
// use anything from outside its own body.

/** One step of a locator chain; each step searches inside the elements the previous one found. */
export type Step =
  | { by: 'role'; role: string; name?: string; exact?: boolean; selected?: boolean; checked?: boolean }
  | { by: 'text'; text: string; exact?: boolean }
  | { by: 'label'; text: string; exact?: boolean }
  | { by: 'css'; css: string; hasText?: string }
  | { by: 'nth'; index: number };

/** What the page tells the backend about the elements a chain finds. */
export interface Found {
  count: number;
  /** Only with exactly one element: */
  visible?: boolean;
  enabled?: boolean;
  editable?: boolean;
  /** Whether the point in `box`'s middle hits the element (after scrolling it into view). */
  hit?: boolean;
  box?: { x: number; y: number; width: number; height: number } | null;
}

export function domQuery(steps: Step[], op: string, arg: unknown): unknown {
  const norm = (s: string) => s.replace(/[\s\u200b]+/g, ' ').trim();
  const matches = (value: string, text: string, exact?: boolean) =>
    exact ? norm(value) === norm(text) : norm(value).toLowerCase().includes(norm(text).toLowerCase());

  const styleOf = (el: Element) => getComputedStyle(el);
  const isVisible = (el: Element): boolean => {
    const style = styleOf(el);
    if (style.display === 'contents') return [...el.children].some(isVisible);
    if (!el.checkVisibility({ visibilityProperty: true } as CheckVisibilityOptions)) return false;
    const rect = el.getBoundingClientRect();
    return rect.width > 0 && rect.height > 0;
  };
  const hiddenForAria = (el: Element): boolean => {
    for (let e: Element | null = el; e; e = e.parentElement) {
      if (e.getAttribute('aria-hidden') === 'true') return true;
    }
    const style = styleOf(el);
    if (style.display === 'contents') return el.parentElement ? hiddenForAria(el.parentElement) : false;
    return !el.checkVisibility({ visibilityProperty: true } as CheckVisibilityOptions);
  };

  const implicitRole = (el: Element): string => {
    const tag = el.localName;
    const type = (el.getAttribute('type') ?? '').toLowerCase();
    switch (tag) {
      case 'a': case 'area': return el.hasAttribute('href') ? 'link' : '';
      case 'button': return 'button';
      case 'input':
        if (['button', 'submit', 'reset', 'image'].includes(type)) return 'button';
        if (type === 'checkbox') return 'checkbox';
        if (type === 'radio') return 'radio';
        if (type === 'range') return 'slider';
        if (type === 'number') return 'spinbutton';
        if (type === 'hidden') return '';
        if (el.hasAttribute('list')) return 'combobox';
        return type === 'search' ? 'searchbox' : 'textbox';
      case 'select': {
        const s = el as HTMLSelectElement;
        return s.multiple || s.size > 1 ? 'listbox' : 'combobox';
      }
      case 'textarea': return 'textbox';
      case 'option': return 'option';
      case 'h1': case 'h2': case 'h3': case 'h4': case 'h5': case 'h6': return 'heading';
      case 'ul': case 'ol': case 'menu': return 'list';
      case 'li': return 'listitem';
      case 'dialog': return 'dialog';
      case 'hr': return 'separator';
      case 'nav': return 'navigation';
      case 'main': return 'main';
      case 'aside': return 'complementary';
      case 'article': return 'article';
      case 'table': return 'table';
      case 'tr': return 'row';
      case 'td': return 'cell';
      case 'th': return 'columnheader';
      case 'img': return el.getAttribute('alt') === '' ? 'presentation' : 'img';
      case 'progress': return 'progressbar';
      case 'meter': return 'meter';
      case 'output': return 'status';
      case 'fieldset': case 'details': return 'group';
      case 'section': return el.hasAttribute('aria-label') || el.hasAttribute('aria-labelledby') ? 'region' : '';
      default: return '';
    }
  };
  const roleOf = (el: Element) => (el.getAttribute('role') ?? '').trim().split(/\s+/)[0] || implicitRole(el);

  const NAME_FROM_CONTENT = new Set([
    'button', 'cell', 'checkbox', 'columnheader', 'gridcell', 'heading', 'link', 'menuitem',
    'menuitemcheckbox', 'menuitemradio', 'option', 'radio', 'row', 'rowheader', 'switch', 'tab',
    'tooltip', 'treeitem',
  ]);
  const SKIPPED = new Set(['script', 'style', 'noscript', 'template', 'head']);

  /** The text an element's subtree gives an accessible name (hidden parts left out). */
  const contentText = (el: Element, seen: Set<Element>): string => {
    let out = '';
    for (const node of el.childNodes) {
      if (node.nodeType === Node.TEXT_NODE) out += node.nodeValue ?? '';
      else if (node instanceof Element && !SKIPPED.has(node.localName) && !hiddenForAria(node)) {
        const inline = styleOf(node).display.startsWith('inline');
        const part = nameOf(node, seen, true);
        out += inline ? part : ` ${part} `;
      }
    }
    return out;
  };

  const idrefs = (el: Element, attr: string) =>
    (el.getAttribute(attr) ?? '').split(/\s+/).map((id) => (id ? document.getElementById(id) : null))
      .filter((e): e is HTMLElement => e !== null);

  /** The accessible name, after the accname rules the page's markup uses. */
  function nameOf(el: Element, seen: Set<Element>, inContent = false): string {
    if (seen.has(el)) return '';
    seen.add(el);
    const labelledBy = idrefs(el, 'aria-labelledby');
    if (labelledBy.length && !inContent) {
      return norm(labelledBy.map((e) => contentText(e, seen)).join(' '));
    }
    const role = roleOf(el);
    if (inContent) {
      if (role === 'textbox' || role === 'searchbox') return (el as HTMLInputElement).value ?? '';
      if (role === 'combobox' && el.localName === 'select') {
        return (el as HTMLSelectElement).selectedOptions[0]?.textContent ?? '';
      }
      if (role === 'slider') return el.getAttribute('aria-valuetext') ?? (el as HTMLInputElement).value ?? '';
    }
    const label = norm(el.getAttribute('aria-label') ?? '');
    if (label) return label;
    if (el instanceof HTMLInputElement || el instanceof HTMLSelectElement || el instanceof HTMLTextAreaElement) {
      const type = el instanceof HTMLInputElement ? el.type : '';
      if (['button', 'submit', 'reset'].includes(type)) {
        return (el as HTMLInputElement).value || (type === 'submit' ? 'Submit' : type === 'reset' ? 'Reset' : '');
      }
      const labels = [...(el.labels ?? [])].map((l) => contentText(l, seen));
      if (labels.some((l) => norm(l))) return norm(labels.join(' '));
    }
    if (el.localName === 'img') {
      const alt = el.getAttribute('alt');
      if (alt) return alt;
    }
    if (el.localName === 'fieldset') {
      const legend = el.querySelector(':scope > legend');
      if (legend) return norm(contentText(legend, seen));
    }
    if (inContent || NAME_FROM_CONTENT.has(role)) {
      const text = norm(contentText(el, seen));
      if (text) return text;
    }
    const title = el.getAttribute('title') ?? el.getAttribute('placeholder') ?? '';
    return inContent ? '' : norm(title);
  }
  const accessibleName = (el: Element) => nameOf(el, new Set());

  /** An element's text as Playwright's text locators read it. */
  const textOf = (el: Element): string => {
    if (el instanceof HTMLInputElement && ['button', 'submit'].includes(el.type)) return el.value;
    let out = '';
    for (const node of el.childNodes) {
      if (node.nodeType === Node.TEXT_NODE) out += node.nodeValue ?? '';
      else if (node instanceof Element && !SKIPPED.has(node.localName)) out += textOf(node);
    }
    return out;
  };

  const labelsOf = (el: Element): string[] => {
    const out: string[] = [];
    const aria = el.getAttribute('aria-label');
    if (aria) out.push(aria);
    const labelledBy = idrefs(el, 'aria-labelledby');
    if (labelledBy.length) out.push(labelledBy.map((e) => textOf(e)).join(' '));
    const labels = (el as HTMLInputElement).labels;
    if (labels) for (const l of labels) out.push(textOf(l));
    return out;
  };

  const all = (root: Element | Document) => [...root.querySelectorAll('*')];
  const step = (roots: (Element | Document)[], s: Step): Element[] => {
    if (s.by === 'nth') {
      const list = roots as Element[];
      const at = s.index < 0 ? list.length + s.index : s.index;
      return list[at] ? [list[at]] : [];
    }
    const found = new Set<Element>();
    for (const root of roots) {
      let candidates: Element[];
      switch (s.by) {
        case 'css':
          candidates = [...root.querySelectorAll(s.css)];
          if (s.hasText !== undefined) candidates = candidates.filter((e) => matches(textOf(e), s.hasText!));
          break;
        case 'role':
          candidates = all(root).filter((e) => roleOf(e) === s.role && !hiddenForAria(e) &&
            (s.name === undefined || matches(accessibleName(e), s.name, s.exact)) &&
            (s.selected === undefined ||
              (e.getAttribute('aria-selected') === 'true' || (e as HTMLOptionElement).selected === true) === s.selected) &&
            (s.checked === undefined ||
              (e.getAttribute('aria-checked') === 'true' || (e as HTMLInputElement).checked === true) === s.checked));
          break;
        case 'text': {
          const hit = (e: Element) => !SKIPPED.has(e.localName) && matches(textOf(e), s.text, s.exact);
          // The innermost elements that hold the text: not one whose child holds it too.
          candidates = all(root).filter((e) => hit(e) && ![...e.children].some(hit));
          break;
        }
        case 'label':
          candidates = all(root).filter((e) => labelsOf(e).some((l) => matches(l, s.text, s.exact)));
          break;
      }
      for (const e of candidates) found.add(e);
    }
    return [...found].sort((a, b) => (a.compareDocumentPosition(b) & Node.DOCUMENT_POSITION_FOLLOWING ? -1 : 1));
  };
  const elements = steps.reduce<(Element | Document)[]>((roots, s) => step(roots, s), [document]) as Element[];

  if (op === 'all') return elements;
  if (op === 'found') {
    const found: Found = { count: elements.length };
    if (elements.length !== 1) return found;
    const el = elements[0];
    found.visible = isVisible(el);
    const disabledForm = el.matches(':disabled');
    found.enabled = !disabledForm && el.getAttribute('aria-disabled') !== 'true';
    found.editable = found.enabled && !el.hasAttribute('readonly') && el.getAttribute('aria-readonly') !== 'true';
    if (found.visible && arg === 'point') {
      const before = el.getBoundingClientRect();
      if (before.top < 0 || before.left < 0 || before.bottom > innerHeight || before.right > innerWidth) {
        el.scrollIntoView({ block: 'center', inline: 'center' });
      }
      const r = el.getBoundingClientRect();
      const x = r.left + r.width / 2;
      const y = r.top + r.height / 2;
      const top = document.elementFromPoint(x, y);
      found.hit = top !== null && (top === el || el.contains(top));
      found.box = { x: r.left, y: r.top, width: r.width, height: r.height };
    } else if (arg === 'box') {
      const r = el.getBoundingClientRect();
      found.box = found.visible ? { x: r.left, y: r.top, width: r.width, height: r.height } : null;
    }
    return found;
  }
  throw new Error(`unknown query ${op}`);
}
