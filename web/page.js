// The page's behaviour, handler by handler as the window has them. The page
// only shows and collects: captions, labels, lists, the key filter, every
// report, verdict and message come from the core (zelvaro-web.js, the same
// C++ as the desktop program compiled to WebAssembly).
'use strict';

(function () {
  const $ = (id) => document.getElementById(id);

  // The fields in the order the core reads them: Text1(0) to Text1(10), Combo1 to Combo4.
  const FieldIds = ['Text1_0', 'Text1_1', 'Text1_2', 'Text1_3', 'Text1_4', 'Text1_5', 'Text1_6', 'Text1_7',
    'Text1_8', 'Text1_9', 'Text1_10', 'Combo1', 'Combo2', 'Combo3', 'Combo4'];
  const ShapeButtons = ['Option1', 'Option2', 'Option7', 'Option8', 'Option9']; // by ShapeKind - 1
  const AnchorButtons = ['Option10', 'Option14', 'Option13', 'Option12', 'Option6', 'Option11', 'Option5'];
  const MaterialButtons = ['Option3', 'Option4'];
  const Icons = { information: 'i', critical: '×', question: '?', none: '' };

  let module = null; // the WebAssembly core
  let core = null; // the exported functions
  let texts = null; // the window's fixed texts, from the core
  const chosen = { shape: 0, anchor: 0, material: 0 };

  function lines(text) {
    return text.replace(/\r\n/g, '\n').replace(/\r/g, '\n');
  }

  // ---- Message boxes: modal, one after the other, OK closes. A box that
  // asks (m.onOk) has キャンセル too and acts only on OK. The title is the
  // box's accessible name, the text its description.
  const queue = [];
  let shownMessage = null;
  function showMessage(m) {
    queue.push(m);
    if (!$('MessageBox').open) nextMessage();
  }
  function nextMessage() {
    const m = queue.shift();
    shownMessage = m || null;
    if (!m) return;
    $('MessageTitle').textContent = m.title;
    // CR LF and a lone CR each break the line, as in the window's boxes.
    $('MessageText').textContent = lines(m.text);
    // Under the advice, the changes that would pass.
    $('MessageInformative').textContent = lines(m.informative || '');
    $('MessageInformative').hidden = !m.informative;
    $('MessageCancel').hidden = !m.onOk;
    const icon = $('MessageIcon');
    icon.className = 'icon ' + m.icon;
    icon.textContent = Icons[m.icon] || '';
    $('MessageBox').returnValue = '';
    $('MessageBox').showModal();
    $('MessageOK').focus();
  }
  function messageClosed() {
    const m = shownMessage;
    if (m && m.onOk && $('MessageBox').returnValue === 'ok') m.onOk();
    nextMessage();
  }

  // ---- Enabling a control greys its label with it.
  function labelOf(id) {
    return $('Text4_' + texts.labelOf[id]);
  }
  function setEnabled(id, on) {
    $(id).disabled = !on;
    labelOf(id).classList.toggle('disabled', !on);
  }

  // ---- The key filter of the numeric fields (key_09): digits, one decimal
  // point and backspace. Deleting always passes. Text that arrives otherwise
  // (pasted, dropped, an input method's commit) is folded to half-width
  // digits, point and minus and then typed through the same filter: what
  // the filter refuses is dropped, as for keys.
  function folded(text) {
    return text.replace(/[０-９．－]/g, (c) => String.fromCharCode(c.charCodeAt(0) - 0xfee0));
  }
  function passes(current, typed) {
    for (const ch of typed) {
      if (!core.keyPasses(current, ch.codePointAt(0))) return false;
      current += ch;
    }
    return true;
  }
  function accepted(current, text) {
    let kept = '';
    for (const ch of folded(text)) if (core.keyPasses(current + kept, ch.codePointAt(0))) kept += ch;
    return kept;
  }
  function filterKeys(input) {
    let good = input.value;
    let inserting = false;
    let before = null; // the field when a composition started
    const insert = (text) => {
      if (!text) return;
      inserting = true;
      try {
        if (!document.execCommand('insertText', false, text)) {
          input.setRangeText(text, input.selectionStart, input.selectionEnd, 'end');
          input.dispatchEvent(new Event('input', { bubbles: true }));
        }
      } finally {
        inserting = false;
      }
    };
    input.addEventListener('beforeinput', (e) => {
      if (inserting || e.isComposing || e.inputType.startsWith('delete') ||
          e.inputType === 'insertCompositionText') return;
      const text = e.inputType === 'insertText' ? e.data || '' : null;
      if (text !== null && passes(input.value, text)) return;
      e.preventDefault();
      if (text !== null) insert(accepted(input.value, text));
    });
    input.addEventListener('paste', (e) => {
      e.preventDefault();
      insert(accepted(input.value, e.clipboardData.getData('text/plain')));
    });
    input.addEventListener('drop', (e) => {
      if (e.dataTransfer.files.length) return; // a schedule dropped on the page
      e.preventDefault();
      e.stopPropagation();
      input.focus();
      insert(accepted(input.value, e.dataTransfer.getData('text/plain')));
    });
    input.addEventListener('compositionstart', () => {
      before = { value: input.value, start: input.selectionStart, end: input.selectionEnd };
    });
    input.addEventListener('compositionend', (e) => {
      if (!before) return;
      const b = before;
      before = null;
      input.value = b.value;
      const kept = accepted(b.value, e.data || '');
      input.setRangeText(kept, b.start, b.end, 'end');
      good = input.value;
      input.dispatchEvent(new Event('input', { bubbles: true }));
    });
    // Whatever else got past the filter is undone afterwards.
    input.addEventListener('input', (e) => {
      if (e.isComposing) return;
      if (passes('', input.value)) good = input.value;
      else input.value = good;
    });
    input.addEventListener('focus', () => { good = input.value; });
  }

  // ---- Combo2 to Combo4: a text field and a list rebuilt at every opening.
  // The field keeps its text until an item is picked: a list opened only to
  // look leaves the value as it was.
  function setupCombo(id) {
    const input = $(id);
    const box = input.parentElement;
    const list = box.querySelector('ul');
    let current = -1;
    filterKeys(input);
    function mark(i) {
      const items = list.children;
      if (current >= 0 && items[current]) items[current].classList.remove('current');
      current = i;
      if (current >= 0 && items[current]) {
        items[current].classList.add('current');
        items[current].scrollIntoView({ block: 'nearest' });
        input.setAttribute('aria-activedescendant', items[current].id);
      } else {
        input.removeAttribute('aria-activedescendant');
      }
    }
    function open() {
      if (input.disabled) return;
      list.replaceChildren();
      texts.lists[id].forEach((item, i) => {
        const li = document.createElement('li');
        li.setAttribute('role', 'option');
        li.id = id + '-item' + i;
        li.textContent = item;
        list.append(li);
      });
      list.hidden = false;
      input.setAttribute('aria-expanded', 'true');
      mark(texts.lists[id].indexOf(input.value));
      input.focus();
    }
    function close() {
      list.hidden = true;
      input.setAttribute('aria-expanded', 'false');
      input.removeAttribute('aria-activedescendant');
    }
    function pick(i) {
      if (i >= 0 && i < list.children.length) {
        input.value = list.children[i].textContent;
        input.dispatchEvent(new Event('change', { bubbles: true }));
      }
      close();
    }
    box.querySelector('button').addEventListener('mousedown', (e) => {
      e.preventDefault();
      if (list.hidden) open(); else close();
    });
    list.addEventListener('mousedown', (e) => e.preventDefault());
    list.addEventListener('click', (e) => {
      const li = e.target.closest('li');
      if (li) pick([...list.children].indexOf(li));
    });
    list.addEventListener('mousemove', (e) => {
      const li = e.target.closest('li');
      if (li) mark([...list.children].indexOf(li));
    });
    input.addEventListener('keydown', (e) => {
      if (list.hidden) {
        if (e.key === 'F4' || (e.altKey && e.key === 'ArrowDown')) { e.preventDefault(); open(); }
        return;
      }
      const n = list.children.length;
      if (e.key === 'ArrowDown') { e.preventDefault(); mark(Math.min(n - 1, current + 1)); }
      else if (e.key === 'ArrowUp') { e.preventDefault(); mark(Math.max(0, current - 1)); }
      else if (e.key === 'Enter' || e.key === 'F4' || (e.altKey && e.key === 'ArrowUp')) { e.preventDefault(); pick(current); }
      else if (e.key === 'Escape') { e.preventDefault(); close(); }
    });
    input.addEventListener('blur', close);
    return close;
  }
  const closeCombo = {};

  // ---- Band one.
  function chooseShape(k) {
    const shape = texts.shapes[k - 1];
    chosen.shape = k;
    $(ShapeButtons[k - 1]).checked = true;
    for (const [label, text] of Object.entries(shape.labels)) {
      const box = $('Text4_' + label);
      // The floor's and ceiling's nt is no other shape's count (the wall's
      // n2): it starts blank, that is n / 2, when its label takes over.
      if (box.textContent !== text && shape.optional.includes(box.htmlFor)) $(box.htmlFor).value = '';
      box.textContent = text;
    }
    for (const [input, on] of Object.entries(shape.inputs)) setEnabled(input, on);
  }

  // ---- Bands two and three, the two check boxes.
  function fillDiameters(items, value) {
    const select = $('Combo1');
    select.replaceChildren(new Option('', ''));
    for (const item of items) select.append(new Option(item, item));
    select.value = value;
  }
  function chooseAnchor(a) {
    chosen.anchor = a;
    $(AnchorButtons[a - 1]).checked = true;
    // The diameter must be picked again from the new kind's list.
    fillDiameters(texts.anchors[a - 1].diameters, '');
  }
  function chooseMaterial(m) {
    chosen.material = m;
    $(MaterialButtons[m - 1]).checked = true;
  }
  function Check1_Click(checked) {
    for (const id of texts.motorInputs) {
      setEnabled(id, checked);
      $(id).value = checked ? '' : texts.defaults.off;
    }
    if (!checked) closeCombo.Combo3();
  }
  function Check2_Click(checked) {
    if (checked) $('Text1_10').value = '';
    setEnabled('Text1_10', checked);
    if (!checked) $('Text1_10').value = texts.defaults.off;
  }

  // ---- The start state, at load and after 終了 or 新規.
  function startState() {
    chosen.shape = chosen.anchor = chosen.material = 0;
    for (const id of [...ShapeButtons, ...AnchorButtons, ...MaterialButtons]) $(id).checked = false;
    texts.labels.forEach((text, i) => { $('Text4_' + i).textContent = text; });
    for (const id of FieldIds) if (id !== 'Combo1') $(id).value = '';
    fillDiameters(texts.lists.Combo1, texts.defaults.Combo1);
    $('Combo2').value = texts.defaults.Combo2;
    $('Combo4').value = texts.defaults.Combo4;
    $('Check1').checked = false;
    $('Check2').checked = false;
    Check1_Click(false);
    Check2_Click(false);
    // The labels show the floor-mounted layout, so the inputs it does not read
    // (the wall-only ones) start greyed, and so does its optional nt.
    for (const id of texts.offAtStart) setEnabled(id, false);
    $('Text2').value = '';
    lastSheet = null;
    document.body.classList.remove('has-sheet');
    for (const close of Object.values(closeCombo)) close();
    for (const id of TitleInputs) $(id).value = '';
    queue.length = 0;
    if ($('MessageBox').open) $('MessageBox').close();
    showSchedule(null);
  }
  // 終了 and 新規 ask first when a schedule would go with the inputs.
  function clearAll() {
    const clear = () => { startState(); keep(); keepSchedule(); };
    if (!schedule) { clear(); return; }
    showMessage({ title: texts.caption, text: '入力と機器表をクリアしますか', icon: 'question', onOk: clear });
  }

  // ---- The equipment schedule, run by the batch of zelvaro-check in the core.
  let schedule = null; // { name, text, result, picked } of the schedule shown
  const SaveAsCsv = 'Excel で『CSV UTF-8（コンマ区切り）』または『CSV（コンマ区切り）』で保存してから開いてください';
  // An Excel workbook (a zip) or UTF-16 text ("Unicode テキスト") is not a
  // CSV the batch reads.
  function isWorkbookOrUtf16(b) {
    return (b[0] === 0x50 && b[1] === 0x4b && b[2] === 0x03 && b[3] === 0x04) ||
      (b[0] === 0xff && b[1] === 0xfe) || (b[0] === 0xfe && b[1] === 0xff);
  }
  // A file that cannot be opened changes nothing: the list shown stays.
  function refuseFile(name, text) {
    const kept = schedule ? '\n\n前のファイル（' + schedule.name + '）の一覧をそのまま表示しています。' : '';
    showMessage({ title: name, text: text + kept, icon: 'critical' });
  }
  function runSchedule(bytes) {
    const at = module._malloc(Math.max(1, bytes.length));
    try {
      module.HEAPU8.set(bytes, at); // after the allocation, which may move the heap
      return JSON.parse(core.runSchedule(at, bytes.length));
    } finally {
      module._free(at);
    }
  }
  function openSchedule(file) {
    const started = performance.now();
    file.arrayBuffer().then((buffer) => {
      const raw = new Uint8Array(buffer);
      if (isWorkbookOrUtf16(raw)) {
        refuseFile(file.name, file.name + ' は CSV ではありません。\n' + SaveAsCsv);
        return;
      }
      const result = runSchedule(utf8Schedule(raw));
      window.zelvaroScheduleCoreMs = performance.now() - started; // read and run by the batch
      if (result.fileError) {
        refuseFile(file.name, file.name + ' を機器表として読めません（1 行目の列名か文字コードが読めません）。\n' + SaveAsCsv);
        return;
      }
      showSchedule({ name: file.name, text: result.schedule, result, picked: -1 });
      keepSchedule();
      // Measured to the frame that shows every verdict.
      requestAnimationFrame(() => { window.zelvaroScheduleMs = performance.now() - started; });
    }).catch(() => {
      refuseFile(file.name, file.name + ' を読めません。');
    });
  }
  // The C library of the WebAssembly build has no CP932 converter: a schedule
  // that is not UTF-8 but reads as CP932 throughout (the browser's Shift_JIS
  // is Microsoft's table, with the NEC and IBM extensions) is handed to the
  // core as UTF-8. Anything else goes as it is, for the core to diagnose.
  function utf8Schedule(bytes) {
    try {
      new TextDecoder('utf-8', { fatal: true }).decode(bytes);
      return bytes;
    } catch (notUtf8) {
      try {
        return new TextEncoder().encode(new TextDecoder('shift_jis', { fatal: true }).decode(bytes));
      } catch (notCp932) {
        return bytes;
      }
    }
  }
  // The row's cell of a column of the schedule (for the sheet's names).
  function cellOf(item, name) {
    const c = schedule.result.columns.indexOf(name);
    return c >= 0 && c < item.cells.length ? item.cells[c] : '';
  }
  // What the batch found for an item: its typed result.
  const statusOf = (item) => item.result.status;
  // The verdict's words and the message, as the list shows them.
  const verdictOf = (item) => item.list[schedule.result.verdictColumn];
  const messageOf = (item) => item.list[schedule.result.messageColumn];
  function equipmentOf(item) {
    return cellOf(item, 'equipment') || cellOf(item, 'id');
  }
  // The list's rows are grids (see the style): the roles keep it a table.
  function cellIn(tr, tag) {
    const td = document.createElement(tag || 'td');
    td.setAttribute('role', tag === 'th' ? 'columnheader' : 'cell');
    tr.append(td);
    return td;
  }
  // The list shows each item's cells as the core gives them, the window's
  // list's texts: the page picks and formats none of them.
  function showSchedule(shown) {
    schedule = shown;
    const head = $('ScheduleList').tHead.rows[0];
    const body = $('ScheduleList').tBodies[0];
    head.replaceChildren();
    body.replaceChildren();
    $('ScheduleList').hidden = !shown;
    $('ScheduleSave').disabled = $('VerdictSave').disabled = $('PrintAll').disabled = !shown;
    if (!shown) {
      $('ScheduleSummary').textContent = 'CSV ファイルをこのページにドロップしても開けます。';
      return;
    }
    const r = shown.result;
    for (const name of r.header) cellIn(head, 'th').textContent = name;
    const rows = document.createDocumentFragment();
    r.items.forEach((item, i) => {
      const tr = document.createElement('tr');
      tr.setAttribute('role', 'row');
      tr.className = 'item';
      tr.tabIndex = i === 0 ? 0 : -1;
      tr.dataset.index = i;
      const status = statusOf(item);
      tr.dataset.status = status;
      item.list.forEach((text, c) => {
        const td = cellIn(tr);
        td.textContent = text;
        if (c === r.verdictColumn) td.className = status;
        if (text.length > 12 || text.includes('\n')) td.title = text; // the whole of a long cell
      });
      rows.append(tr);
    });
    body.append(rows);
    $('ScheduleSummary').textContent = shown.name + ': ' + countsText(r.counts);
    if (shown.picked >= 0) markPicked(shown.picked);
  }
  function countsText(c) {
    return c.items + ' 件（適合 ' + c.passed + '、不足 ' + c.shortfalls + '、入力不備 ' + c.refused + '）';
  }
  function markPicked(i) {
    const body = $('ScheduleList').tBodies[0];
    for (const tr of body.querySelectorAll('tr.selected')) {
      tr.classList.remove('selected');
      tr.removeAttribute('aria-current');
    }
    const tr = body.querySelector('tr.item[data-index="' + i + '"]');
    if (tr) {
      tr.classList.add('selected');
      tr.setAttribute('aria-current', 'true');
      rovingFocus(tr);
    }
  }
  // The keyboard reaches the list at one row, the picked one; the arrows move
  // between items, Enter or Space picks.
  function rovingFocus(tr) {
    for (const other of $('ScheduleList').tBodies[0].querySelectorAll('tr.item[tabindex="0"]')) other.tabIndex = -1;
    tr.tabIndex = 0;
  }
  function listKeys(e) {
    const tr = e.target.closest('tr.item');
    if (!tr) return;
    if (e.key === 'Enter' || e.key === ' ') {
      e.preventDefault();
      pickItem(Number(tr.dataset.index));
      tr.focus();
      return;
    }
    const step = { ArrowDown: 1, ArrowUp: -1 }[e.key];
    if (!step) return;
    e.preventDefault();
    const next = $('ScheduleList').tBodies[0].querySelector('tr.item[data-index="' + (Number(tr.dataset.index) + step) + '"]');
    if (next) {
      rovingFocus(next);
      next.focus();
    }
  }
  // A row picked: marked, loaded into the window, calculated, and its report
  // brought into view.
  function pickItem(i) {
    const item = schedule.result.items[i];
    schedule.picked = i;
    markPicked(i);
    $('SheetProjectInput').value = cellOf(item, 'project');
    $('SheetEquipmentInput').value = equipmentOf(item);
    $('SheetCheckerInput').value = cellOf(item, 'checker');
    loadItem(item);
    $('Frame5').scrollIntoView({ block: 'nearest' });
    keepSchedule();
    keep();
  }
  // An item of the list into the window's inputs, then 計算.
  function loadItem(item) {
    const select = (buttons, kind, choose, key) => {
      if (kind) { choose(kind); return; }
      chosen[key] = 0;
      for (const id of buttons) $(id).checked = false;
    };
    select(ShapeButtons, item.shape, chooseShape, 'shape');
    select(AnchorButtons, item.anchor, chooseAnchor, 'anchor');
    select(MaterialButtons, item.material, chooseMaterial, 'material');
    const f = item.fields;
    const off = texts.defaults.off;
    $('Check1').checked = [f[13], f[5], f[6]].some((t) => t !== off);
    Check1_Click($('Check1').checked);
    $('Check2').checked = f[10] !== off;
    Check2_Click($('Check2').checked);
    FieldIds.forEach((id, i) => { $(id).value = f[i]; });
    // A row the batch could not read into a case (a selection it could not
    // use, a damaged row) shows the batch's reason rather than a calculation.
    if (!item.shape || !item.anchor || !item.material) {
      showMessage({ title: verdictOf(item), text: messageOf(item), icon: 'critical' });
      return;
    }
    Command2_Click();
  }
  function save(text, name) {
    const a = document.createElement('a');
    a.href = URL.createObjectURL(new Blob(['\ufeff' + text], { type: 'text/csv;charset=utf-8' }));
    a.download = name;
    document.body.append(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(a.href), 1000);
  }
  function baseName() {
    return schedule.name.replace(/\.csv$/i, '');
  }

  // ---- 計算.
  function nowText() {
    const d = new Date();
    return core.dateText(d.getFullYear(), d.getMonth() + 1, d.getDate(), d.getHours(), d.getMinutes(), d.getSeconds());
  }
  function fieldTexts() {
    return FieldIds.map((id) => $(id).value);
  }
  function Command2_Click(e) {
    const outcome = JSON.parse(core.calculate(chosen.shape, chosen.anchor, chosen.material, fieldTexts().join('\n'), nowText()));
    if (outcome.status === 'reported') {
      const box = $('Text2');
      box.value = outcome.report;
      box.scrollTop = 0;
      lastSheet = { outcome, shape: chosen.shape };
      document.body.classList.add('has-sheet');
      const clicked = e ? e.timeStamp : performance.now();
      window.zelvaroLastCalcWorkMs = performance.now() - clicked; // the core and the page's own work
      requestAnimationFrame(() => {
        // Measured to the frame that shows the report.
        window.zelvaroLastCalcMs = performance.now() - clicked;
      });
      keepSoon();
    }
    // A refusal leaves the previous report; its message, a stop's or the advice follows.
    for (const m of outcome.messages) showMessage(m);
  }

  // ---- The printed sheets: the last report's (印刷…, the browser's own
  // print), or a cover and every calculated item's (全件を印刷…), one a page.
  let lastSheet = null; // { outcome, shape } of the last report
  const TitleInputs = ['SheetProjectInput', 'SheetEquipmentInput', 'SheetCheckerInput'];
  const SheetDiagrams = ['diagrams/Sheet1.png', 'diagrams/Sheet2.png', 'diagrams/Sheet3.png',
    'diagrams/Sheet4.png', 'diagrams/Sheet5.png'];
  const CoverRowsPerPage = 40;
  // A sheet from the core's sheet model (the one the desktop sheet draws);
  // the title block's names are the page's.
  function sheetOf(d, titles) {
    const model = d.outcome.sheet;
    const sheet = $('SheetTemplate').content.firstElementChild.cloneNode(true);
    const put = (cls, text) => { sheet.querySelector('.' + cls).textContent = text; };
    put('caption', model.caption);
    put('date', model.calculatedAt);
    put('project', titles.project);
    put('equipment', titles.equipment);
    put('checker', titles.checker);
    sheet.querySelector('.diagram').src = SheetDiagrams[d.shape - 1];
    const choices = sheet.querySelector('.choices');
    for (const [name, value] of model.selections) {
      const tr = choices.insertRow();
      const th = document.createElement('th');
      th.textContent = name;
      tr.append(th);
      tr.insertCell().textContent = value;
    }
    put('report', lines(model.report));
    const verdicts = sheet.querySelector('.verdicts');
    for (const v of model.verdicts) {
      const div = document.createElement('div');
      div.className = 'verdict ' + (v.ok ? 'ok' : 'ng');
      const b = document.createElement('b');
      b.textContent = (v.ok ? '○ ' : '× 不足 ') + v.check;
      const span = document.createElement('span');
      span.textContent = lines(v.text);
      div.append(b, span);
      verdicts.append(div);
    }
    const advice = model.advice;
    const box = sheet.querySelector('.advice');
    box.hidden = !advice;
    if (advice) {
      box.querySelector('h3').textContent = advice.title;
      box.querySelector('p').textContent = lines(advice.text);
      box.querySelector('p.informative').textContent = model.suggestions.join('\n');
    }
    return sheet;
  }
  function titlesTyped() {
    return { project: $('SheetProjectInput').value, equipment: $('SheetEquipmentInput').value,
      checker: $('SheetCheckerInput').value };
  }
  function numberPages(pages) {
    pages.forEach((page, i) => { page.querySelector('.page-number').textContent = (i + 1) + ' / ' + pages.length; });
  }
  // The last report's sheet, whatever starts the print (印刷… or Ctrl+P).
  function prepareSheet() {
    if (!lastSheet) { $('Sheets').replaceChildren(); return; }
    const sheet = sheetOf(lastSheet, titlesTyped());
    sheet.querySelector('.page-number').textContent = '1 / 1';
    $('Sheets').replaceChildren(sheet);
  }
  let printingAll = false;
  function prepareAll() {
    const titles = titlesTyped();
    const items = schedule.result.items;
    const now = nowText();
    const sheets = [];
    const pageOf = [];
    const covers = Math.max(1, Math.ceil(items.length / CoverRowsPerPage));
    for (const item of items) {
      pageOf.push(0);
      if (!item.shape || !item.anchor || !item.material || statusOf(item) === 'refused') continue;
      const outcome = JSON.parse(core.calculate(item.shape, item.anchor, item.material, item.fields.join('\n'), now));
      if (outcome.status !== 'reported') continue;
      pageOf[pageOf.length - 1] = covers + sheets.length + 1;
      sheets.push(sheetOf({ outcome, shape: item.shape }, {
        project: cellOf(item, 'project') || titles.project,
        equipment: equipmentOf(item),
        checker: cellOf(item, 'checker') || titles.checker,
      }));
    }
    const pages = [];
    for (let first = 0; first < Math.max(1, items.length); first += CoverRowsPerPage) {
      const cover = document.createElement('section');
      cover.className = 'cover';
      const h1 = document.createElement('h1');
      h1.textContent = 'アンカーボルト耐震計算書　表紙';
      const dl = document.createElement('dl');
      for (const [name, value] of [['工事名', titles.project], ['機器表', schedule.name], ['作成日', now],
        ['確認者', titles.checker], ['件数', countsText(schedule.result.counts)]]) {
        const dt = document.createElement('dt');
        dt.textContent = name;
        const dd = document.createElement('dd');
        dd.textContent = value;
        dl.append(dt, dd);
      }
      const table = document.createElement('table');
      const head = table.createTHead().insertRow();
      for (const name of ['番号', '機器名', '判定', '頁', '備考']) {
        const th = document.createElement('th');
        th.textContent = name;
        head.append(th);
      }
      const body = table.createTBody();
      items.slice(first, first + CoverRowsPerPage).forEach((item, k) => {
        const tr = body.insertRow();
        const i = first + k;
        for (const text of [cellOf(item, 'id'), equipmentOf(item), verdictOf(item),
          pageOf[i] ? String(pageOf[i]) : '', statusOf(item) === 'refused' ? messageOf(item) : '']) {
          tr.insertCell().textContent = text;
        }
      });
      const footer = document.createElement('footer');
      footer.className = 'page-number';
      cover.append(h1, dl, table, footer);
      pages.push(cover);
    }
    pages.push(...sheets);
    numberPages(pages);
    $('Sheets').replaceChildren(...pages);
  }
  // The pages of 全件を印刷… stay until the print is over; a print started
  // after it (Ctrl+P) has the last report's sheet again.
  function printAll() {
    printingAll = true;
    prepareAll();
    document.body.classList.add('has-sheet');
    window.print();
  }

  // ---- The work is kept in the browser (per page): the inputs, the last
  // report and the schedule shown survive a reload; 新規 starts afresh.
  const StoreKey = 'zelvaro-page:' + location.pathname;
  let restoring = false;
  let unkeptSchedule = null; // the schedule said too large to keep
  function store(key, value) {
    if (restoring) return;
    try {
      if (value === null) localStorage.removeItem(key);
      else localStorage.setItem(key, JSON.stringify(value));
    } catch (full) {
      // Storage full or off: the page works on, without keeping. A schedule
      // too large to keep is said once, and no older one is left to come
      // back in its place after a reload.
      if (key.endsWith(':schedule') && value && value.name !== unkeptSchedule) {
        unkeptSchedule = value.name;
        try { localStorage.removeItem(key); } catch (off) { /* nothing kept either way */ }
        showMessage({
          title: texts.caption,
          text: value.name + ' はブラウザに保存しきれません。再読み込みすると一覧は消えます（ファイルはそのままです）。',
          icon: 'information',
        });
      }
    }
  }
  function keep() {
    keepPending = false;
    store(StoreKey, {
      kinds: [chosen.shape, chosen.anchor, chosen.material],
      checks: [$('Check1').checked, $('Check2').checked],
      fields: fieldTexts(),
      titles: TitleInputs.map((id) => $(id).value),
      report: $('Text2').value,
      sheet: lastSheet,
    });
  }
  // Kept after the frame that shows the change, so that writing the storage
  // never delays a report; a page left before then is kept as it goes.
  let keepPending = false;
  function keepSoon() {
    if (keepPending) return;
    keepPending = true;
    requestAnimationFrame(() => setTimeout(() => {
      if (keepPending) keep();
    }));
  }
  window.addEventListener('pagehide', () => { if (keepPending) keep(); });
  function keepSchedule() {
    store(StoreKey + ':schedule', schedule && { name: schedule.name, text: schedule.text, picked: schedule.picked });
  }
  function restore() {
    let kept, list;
    try {
      kept = JSON.parse(localStorage.getItem(StoreKey) || 'null');
      list = JSON.parse(localStorage.getItem(StoreKey + ':schedule') || 'null');
    } catch (unreadable) {
      return;
    }
    restoring = true;
    try {
      if (kept) {
        const [shape, anchor, material] = kept.kinds;
        if (shape) chooseShape(shape);
        if (anchor) chooseAnchor(anchor);
        if (material) chooseMaterial(material);
        $('Check1').checked = kept.checks[0];
        Check1_Click(kept.checks[0]);
        $('Check2').checked = kept.checks[1];
        Check2_Click(kept.checks[1]);
        FieldIds.forEach((id, i) => { $(id).value = kept.fields[i]; });
        TitleInputs.forEach((id, i) => { $(id).value = kept.titles[i]; });
        $('Text2').value = kept.report;
        lastSheet = kept.sheet && kept.sheet.outcome.sheet ? kept.sheet : null;
        document.body.classList.toggle('has-sheet', !!lastSheet);
      }
    } catch (damaged) {
      startState(); // what was kept does not fit this page: start afresh
    } finally {
      restoring = false;
    }
    // The schedule is run again by the batch just after the page is ready.
    if (list) {
      setTimeout(() => {
        try {
          const result = runSchedule(new TextEncoder().encode(list.text));
          if (!result.fileError && !schedule) showSchedule({ name: list.name, text: list.text, result, picked: list.picked });
        } catch (damaged) {
          // Not a schedule any more: the page starts without it.
        }
      });
    }
  }

  // ---- Wiring, once the core has started.
  function build() {
    document.title = texts.caption;
    texts.shapes.forEach((s, i) => {
      $(ShapeButtons[i]).nextElementSibling.textContent = s.caption;
      $(ShapeButtons[i]).addEventListener('click', () => chooseShape(s.kind));
    });
    texts.anchors.forEach((a, i) => {
      $(AnchorButtons[i]).nextElementSibling.textContent = a.caption;
      $(AnchorButtons[i]).addEventListener('click', () => chooseAnchor(a.kind));
    });
    texts.materials.forEach((m, i) => {
      // Both captions wrap at the ideographic space.
      const span = $(MaterialButtons[i]).nextElementSibling;
      span.textContent = m.caption.replace('\u3000', '\n');
      span.style.whiteSpace = 'pre';
      $(MaterialButtons[i]).addEventListener('click', () => chooseMaterial(m.kind));
    });
    $('Check1').addEventListener('change', (e) => Check1_Click(e.target.checked));
    $('Check2').addEventListener('change', (e) => Check2_Click(e.target.checked));
    for (let i = 0; i <= 10; ++i) filterKeys($('Text1_' + i));
    for (const id of ['Combo2', 'Combo3', 'Combo4']) closeCombo[id] = setupCombo(id);
    // Only a pick from the list changes the diameter: a typed character is refused with a message.
    $('Combo1').addEventListener('keydown', (e) => {
      if (e.key.length === 1 || e.key === 'Backspace') {
        e.preventDefault();
        showMessage(texts.diameterRefusal);
      }
    });
    // Every mouse release selects the whole report.
    $('Text2').addEventListener('mouseup', (e) => {
      e.preventDefault();
      $('Text2').setSelectionRange(0, $('Text2').value.length);
    });
    $('Command1').addEventListener('click', () => showMessage(texts.info));
    $('Command2').addEventListener('click', Command2_Click);
    $('Command4').addEventListener('click', clearAll);
    $('StartAfresh').addEventListener('click', clearAll);
    $('MessageBox').addEventListener('close', messageClosed);
    $('PrintSheet').addEventListener('click', () => window.print());
    $('PrintAll').addEventListener('click', printAll);
    window.addEventListener('beforeprint', () => { if (!printingAll) prepareSheet(); });
    window.addEventListener('afterprint', () => {
      printingAll = false;
      document.body.classList.toggle('has-sheet', !!lastSheet);
    });
    document.addEventListener('input', keepSoon);
    document.addEventListener('change', keepSoon);
    $('ScheduleFile').addEventListener('change', (e) => {
      e.stopPropagation();
      if (e.target.files.length) openSchedule(e.target.files[0]);
      e.target.value = ''; // the same file again is opened again
    });
    $('ScheduleList').tBodies[0].addEventListener('keydown', listKeys);
    $('ScheduleList').tBodies[0].addEventListener('click', (e) => {
      const tr = e.target.closest('tr');
      if (tr) pickItem(Number(tr.dataset.index));
    });
    $('ScheduleSave').addEventListener('click', () => save(schedule.result.schedule, baseName() + '-utf8.csv'));
    $('VerdictSave').addEventListener('click', () => save(schedule.result.table, baseName() + '-判定.csv'));
    // The list's header stays under the form where the form stays put.
    new ResizeObserver(([entry]) => {
      document.documentElement.style.setProperty('--desk-height', entry.target.offsetHeight + 'px');
    }).observe($('Desk'));
    document.addEventListener('dragover', (e) => {
      if (!e.dataTransfer.types.includes('Files')) return;
      e.preventDefault();
      document.body.classList.add('dragging');
    });
    document.addEventListener('dragleave', (e) => {
      if (!e.relatedTarget) document.body.classList.remove('dragging');
    });
    document.addEventListener('drop', (e) => {
      document.body.classList.remove('dragging');
      if (!e.dataTransfer.files.length) return;
      e.preventDefault();
      openSchedule(e.dataTransfer.files[0]);
    });
  }

  // A browser that cannot run the core (WebAssembly's exception handling,
  // which the core's calculations stop with) is told which browsers can,
  // in place of the notice; nothing of the failure's inner detail is shown.
  const ExceptionsProbe = new Uint8Array([0, 97, 115, 109, 1, 0, 0, 0, 1, 4, 1, 96, 0, 0, 3, 2, 1, 0,
    10, 7, 1, 5, 0, 6, 64, 11, 11]); // a function of one empty try block
  function cannotRun() {
    $('Starting').textContent = 'このブラウザでは計算できません。Microsoft Edge、Google Chrome、Mozilla Firefox の' +
      '2022 年以降の版でこのページを開いてください。';
  }
  // Without the core's script (the page opened alone, out of its folder) the
  // notice stays and soon says what to do.
  if (typeof ZelvaroCore !== 'function') return;
  let runnable = false;
  try {
    runnable = typeof WebAssembly === 'object' && WebAssembly.validate(ExceptionsProbe);
  } catch (no) {
    runnable = false;
  }
  if (!runnable) {
    cannotRun();
    return;
  }
  ZelvaroCore({ print: () => {}, printErr: () => {} }).then((started) => {
    module = started;
    core = {
      pageTexts: module.cwrap('zelvaro_page_texts', 'string', []),
      calculate: module.cwrap('zelvaro_calculate', 'string', ['number', 'number', 'number', 'string', 'string']),
      dateText: module.cwrap('zelvaro_date_text', 'string', ['number', 'number', 'number', 'number', 'number', 'number']),
      keyPasses: module.cwrap('zelvaro_key_passes', 'number', ['string', 'number']),
      runSchedule: module.cwrap('zelvaro_run_schedule', 'string', ['number', 'number']),
    };
    texts = JSON.parse(core.pageTexts());
    build();
    startState();
    restore();
    window.zelvaroReadyMs = performance.now();
    document.documentElement.dataset.ready = 'true';
  }, cannotRun);
})();
