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

  // ---- Message boxes: modal, one after the other, OK closes.
  const queue = [];
  function showMessage(m) {
    queue.push(m);
    if (!$('MessageBox').open) nextMessage();
  }
  function nextMessage() {
    const m = queue.shift();
    if (!m) return;
    $('MessageTitle').textContent = m.title;
    // CR LF and a lone CR each break the line, as in the window's boxes.
    $('MessageText').textContent = lines(m.text);
    // Under the advice, the changes that would pass.
    $('MessageInformative').textContent = lines(m.informative || '');
    $('MessageInformative').hidden = !m.informative;
    const icon = $('MessageIcon');
    icon.className = 'icon ' + m.icon;
    icon.textContent = Icons[m.icon] || '';
    $('MessageBox').showModal();
    $('MessageOK').focus();
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
  // point and backspace. Deleting always passes; pasting, dropping and input
  // methods do not type through the filter and are refused, as in the window.
  function passes(current, typed) {
    for (const ch of typed) {
      if (!core.keyPasses(current, ch.codePointAt(0))) return false;
      current += ch;
    }
    return true;
  }
  function filterKeys(input) {
    let good = input.value;
    input.addEventListener('beforeinput', (e) => {
      if (e.inputType.startsWith('delete')) return;
      if (e.inputType !== 'insertText' || !passes(input.value, e.data || '')) e.preventDefault();
    });
    // What cannot be cancelled (a composition) is undone afterwards.
    input.addEventListener('input', () => {
      if (passes('', input.value)) good = input.value;
      else input.value = good;
    });
    input.addEventListener('focus', () => { good = input.value; });
  }

  // ---- Combo2 to Combo4: a text field and a list rebuilt at every opening,
  // which leaves the field empty until an item is picked.
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
      }
    }
    function open() {
      if (input.disabled) return;
      list.replaceChildren();
      for (const item of texts.lists[id]) {
        const li = document.createElement('li');
        li.setAttribute('role', 'option');
        li.textContent = item;
        list.append(li);
      }
      input.value = '';
      current = -1;
      list.hidden = false;
      input.focus();
    }
    function close() { list.hidden = true; }
    function pick(i) {
      if (i >= 0 && i < list.children.length) input.value = list.children[i].textContent;
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
  }

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
    if (!checked) $('Combo3-box').querySelector('ul').hidden = true;
  }
  function Check2_Click(checked) {
    if (checked) $('Text1_10').value = '';
    setEnabled('Text1_10', checked);
    if (!checked) $('Text1_10').value = texts.defaults.off;
  }

  // ---- The start state, at load and after 終了.
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
    document.body.classList.remove('has-sheet');
    for (const ul of document.querySelectorAll('div.combo ul')) ul.hidden = true;
    queue.length = 0;
    if ($('MessageBox').open) $('MessageBox').close();
    showSchedule(null);
  }

  // ---- The equipment schedule, run by the batch of zelvaro-check in the core.
  let schedule = null; // { name, result } of the schedule shown
  const Verdicts = { ok: '○ 適合', shortfall: '× 不足', refused: '入力不備' };
  function openSchedule(file) {
    file.arrayBuffer().then((buffer) => {
      const bytes = utf8Schedule(new Uint8Array(buffer));
      const at = module._malloc(Math.max(1, bytes.length));
      let json;
      try {
        module.HEAPU8.set(bytes, at); // after the allocation, which may move the heap
        json = core.runSchedule(at, bytes.length, nowText());
      } finally {
        module._free(at);
      }
      const result = JSON.parse(json);
      if (result.fileError) {
        showMessage({ title: file.name, text: result.diagnostics.replace(/^zelvaro-check: /gm, '').trim(), icon: 'critical' });
        return;
      }
      showSchedule({ name: file.name, result });
    }).catch((error) => {
      showMessage({ title: file.name, text: '機器表を読めません: ' + error, icon: 'critical' });
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
  function showSchedule(shown) {
    schedule = shown;
    const body = $('ScheduleList').tBodies[0];
    body.replaceChildren();
    $('ScheduleList').hidden = !shown;
    $('ScheduleSave').disabled = $('VerdictSave').disabled = !shown;
    if (!shown) {
      $('ScheduleSummary').textContent = 'CSV ファイルをこのページにドロップしても開けます。';
      return;
    }
    const r = shown.result;
    const column = (name) => r.columns.indexOf(name);
    const shownColumns = ['id', 'equipment', 'shape', 'anchor', 'material', 'M', 'W'].map(column);
    for (const item of r.items) {
      const tr = body.insertRow();
      const status = item.result.status;
      tr.dataset.status = status;
      tr.insertCell().textContent = item.line;
      for (const c of shownColumns) tr.insertCell().textContent = c >= 0 ? item.cells[c] : '';
      const verdict = tr.insertCell();
      verdict.className = status;
      verdict.textContent = Verdicts[status] || status;
      tr.insertCell().textContent = item.result.message;
      tr.insertCell().textContent = item.result.suggestions.join('\n');
      tr.addEventListener('click', () => {
        for (const other of body.rows) other.classList.remove('selected');
        tr.classList.add('selected');
        loadItem(item);
      });
    }
    const c = r.counts;
    $('ScheduleSummary').textContent = shown.name + ': ' + c.items + ' 件（適合 ' + c.passed + '、不足 ' +
      c.shortfalls + '、入力不備 ' + c.refused + '）';
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
      showMessage({ title: Verdicts.refused, text: item.result.message, icon: 'critical' });
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
  function Command2_Click(e) {
    const fields = FieldIds.map((id) => $(id).value).join('\n');
    const outcome = JSON.parse(core.calculate(chosen.shape, chosen.anchor, chosen.material, fields, nowText()));
    if (outcome.status === 'reported') {
      const box = $('Text2');
      box.value = outcome.report;
      box.scrollTop = 0;
      fillSheet(outcome);
      const clicked = e ? e.timeStamp : performance.now();
      window.zelvaroLastCalcWorkMs = performance.now() - clicked; // the core and the page's own work
      requestAnimationFrame(() => {
        // Measured to the frame that shows the report.
        window.zelvaroLastCalcMs = performance.now() - clicked;
      });
    }
    // A refusal leaves the previous report; its message, a stop's or the advice follows.
    for (const m of outcome.messages) showMessage(m);
  }

  // ---- The printed sheet, from the last report.
  function fillSheet(outcome) {
    const sheet = outcome.sheet; // the core's sheet model, as the desktop sheet draws it
    $('SheetCaption').textContent = sheet.caption;
    $('SheetDate').textContent = sheet.calculatedAt;
    $('SheetDiagram').src = 'diagrams/Sheet' + chosen.shape + '.png';
    const rows = sheet.selections;
    const table = $('SheetSelections');
    table.replaceChildren();
    for (const [name, value] of rows) {
      const tr = table.insertRow();
      const th = document.createElement('th');
      th.textContent = name;
      tr.append(th);
      tr.insertCell().textContent = value;
    }
    $('SheetReport').textContent = sheet.report.replace(/\r\n/g, '\n');
    const verdicts = $('SheetVerdicts');
    verdicts.replaceChildren();
    for (const v of sheet.verdicts) {
      const div = document.createElement('div');
      div.className = 'verdict ' + (v.ok ? 'ok' : 'ng');
      const b = document.createElement('b');
      b.textContent = (v.ok ? '○ ' : '× 不足 ') + v.check;
      const span = document.createElement('span');
      span.textContent = v.text.replace(/\r\n/g, '\n');
      div.append(b, span);
      verdicts.append(div);
    }
    const advice = outcome.messages.length ? outcome.messages[outcome.messages.length - 1] : null;
    $('SheetAdvice').hidden = !advice;
    if (advice) {
      $('SheetAdvice').querySelector('h3').textContent = advice.title;
      $('SheetAdvice').querySelector('p').textContent = advice.text.replace(/\r\n/g, '\n');
      $('SheetAdvice').querySelector('p.informative').textContent = lines(advice.informative || '');
    }
    document.body.classList.add('has-sheet');
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
    for (const id of ['Combo2', 'Combo3', 'Combo4']) setupCombo(id);
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
    $('Command4').addEventListener('click', startState);
    $('MessageBox').addEventListener('close', nextMessage);
    $('ScheduleFile').addEventListener('change', (e) => {
      if (e.target.files.length) openSchedule(e.target.files[0]);
      e.target.value = ''; // the same file again is opened again
    });
    $('ScheduleSave').addEventListener('click', () => save(schedule.result.schedule, baseName() + '-utf8.csv'));
    $('VerdictSave').addEventListener('click', () => save(schedule.result.table, baseName() + '-判定.csv'));
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

  ZelvaroCore().then((started) => {
    module = started;
    core = {
      pageTexts: module.cwrap('zelvaro_page_texts', 'string', []),
      calculate: module.cwrap('zelvaro_calculate', 'string', ['number', 'number', 'number', 'string', 'string']),
      dateText: module.cwrap('zelvaro_date_text', 'string', ['number', 'number', 'number', 'number', 'number', 'number']),
      keyPasses: module.cwrap('zelvaro_key_passes', 'number', ['string', 'number']),
      runSchedule: module.cwrap('zelvaro_run_schedule', 'string', ['number', 'number', 'string']),
    };
    texts = JSON.parse(core.pageTexts());
    build();
    startState();
    window.zelvaroReadyMs = performance.now();
    document.documentElement.dataset.ready = 'true';
  }, (error) => {
    // A browser without WebAssembly: say so where the report would appear.
    $('Text2').value = 'このブラウザでは計算できません（WebAssembly が使えません）。\n' + error;
  });
})();
