#include "fleet/report_assets.h"

namespace vornel {

const char kReportStyle[] = R"(
body{font:14px/1.4 system-ui,sans-serif;margin:1.5em;color:#222;background:#fff}
h1{font-size:1.4em;margin:0 0 .5em}
h2{font-size:1.15em;margin:1.6em 0 .4em;border-bottom:1px solid #ccc}
table{border-collapse:collapse;margin:.4em 0}
th,td{padding:1px 8px;text-align:left;vertical-align:top}
thead th{border-bottom:1px solid #888;background:#fff}
tbody tr:nth-child(even){background:#f3f5f7}
.n{text-align:right;font-variant-numeric:tabular-nums}
.run th{font-weight:normal;color:#555}
.o::before{content:"";display:inline-block;width:.75em;height:.75em;margin-right:.4em}
svg{display:block;max-width:100%;height:auto}
svg text{font:12px system-ui,sans-serif;fill:#222}
.note{color:#555}
#dev thead th{position:sticky;top:0;cursor:pointer}
#dev td,#dev th{white-space:nowrap}
#dev td:nth-child(4){white-space:normal;min-width:16em}
#dev th[aria-sort=ascending]::after{content:" \25B2"}
#dev th[aria-sort=descending]::after{content:" \25BC"}
#q{font:inherit;width:22em}
pre{background:#f6f8fa;padding:.5em;overflow:auto;margin:.3em 0 .8em}
.a{color:#116329}.r{color:#a40e26}.h{color:#0550ae}
summary{cursor:pointer}
@media print{.tools{display:none}#dev thead th{position:static}.rows{content-visibility:visible}
*{print-color-adjust:exact;-webkit-print-color-adjust:exact}}
)";

// Plain ES5 over the DOM; every device row keeps its list index so that equal
// keys stay in list order.
const char kReportScript[] = R"(
(function () {
  var table = document.getElementById('dev');
  var box = document.getElementById('q');
  if (!table || !box) return;
  var rows = [].slice.call(table.tBodies[0].rows);
  var heads = table.tHead.rows[0].cells;
  var shown = document.getElementById('shown');
  var keyed = false, column = -1, up = true;
  function keys() {
    var find = [];
    for (var c = 0; c < heads.length; c++) if (heads[c].hasAttribute('data-find')) find.push(c);
    rows.forEach(function (row) {
      row.k = find.map(function (c) { return row.cells[c].textContent; }).join('\n').toLowerCase();
    });
    keyed = true;
  }
  function filter() {
    if (!keyed) keys();
    var want = box.value.trim().toLowerCase(), count = 0;
    rows.forEach(function (row) {
      var hit = row.k.indexOf(want) >= 0;
      row.hidden = !hit;
      if (hit) count++;
    });
    shown.textContent = want ? count + ' of ' + rows.length + ' devices' : '';
  }
  function sort(th) {
    var c = th.cellIndex, number = th.classList.contains('n');
    up = c === column ? !up : true;
    column = c;
    for (var i = 0; i < heads.length; i++) heads[i].removeAttribute('aria-sort');
    th.setAttribute('aria-sort', up ? 'ascending' : 'descending');
    var list = rows.map(function (row, i) {
      var text = row.cells[c].textContent.trim(), value = parseFloat(text);
      var key = number ? (isNaN(value) ? -Infinity : value) : text.toLowerCase();
      return {key: key, i: i, row: row};
    });
    list.sort(function (a, b) {
      var d = a.key < b.key ? -1 : a.key > b.key ? 1 : 0;
      return (up ? d : -d) || a.i - b.i;
    });
    var body = table.tBodies[0], part = document.createDocumentFragment();
    list.forEach(function (x) { part.appendChild(x.row); });
    body.appendChild(part);
  }
  box.parentNode.hidden = false;
  box.addEventListener('input', filter);
  table.tHead.addEventListener('click', function (e) {
    var th = e.target.closest('th');
    if (th) sort(th);
  });
  document.addEventListener('click', function (e) {
    var a = e.target.closest('a');
    if (!a) return;
    if (a.classList.contains('why')) {
      box.value = a.textContent;
      filter();
    } else if (a.classList.contains('diff')) {
      var d = document.getElementById(a.getAttribute('href').slice(1));
      if (d) d.open = true;
    }
  });
})();
)";

}  // namespace vornel
