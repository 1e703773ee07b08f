#include "report/report_page_script.h"

namespace zorvane::report {

const char* const kErrorHook = R"js(
window.onerror = function (message, source, line) {
  var errors = document.getElementById('script-errors');
  errors.textContent += message + ' (line ' + line + ')\n';
  errors.hidden = false;
};
)js";

const char* const kPageScript = R"js(
(function () {
  var data = JSON.parse(document.getElementById('report-data').textContent);
  var good = '#2e7d32', failed = '#c62828', plain = '#1565c0', second = '#ef6c00';
  var drawn = {
    id: 'drawn',
    afterRender: function (chart) {
      var total = 0;
      chart.data.datasets.forEach(function (set) {
        if (!set.share) set.data.forEach(function (value) { total += value; });
      });
      chart.canvas.setAttribute('data-total', String(total));
      chart.canvas.setAttribute('data-drawn', 'yes');
    }
  };
  Chart.defaults.animation = false;
  Chart.defaults.responsive = false;
  function set(label, values, color, share) {
    return { label: label, data: values, backgroundColor: color, borderColor: color, share: !!share };
  }
  function chart(id, type, labels, sets, stacked) {
    new Chart(document.getElementById(id), {
      type: type,
      data: { labels: labels, datasets: sets },
      options: { scales: { x: { stacked: !!stacked }, y: { stacked: !!stacked, beginAtZero: true } } },
      plugins: [drawn]
    });
  }
  chart('chart-days', 'bar', data.days, [set('good', data.dayGood, good), set('failed', data.dayFailed, failed)], true);
  chart('chart-yield', 'line', data.days,
        [set('yield %', data.dayYield, good, true), set('first pass %', data.dayFirstPass, second, true)]);
  chart('chart-benches', 'bar', data.benches,
        [set('good', data.benchGood, good), set('failed', data.benchFailed, failed)], true);
  chart('chart-stages', 'bar', data.stages, [set('failures', data.stageCounts, failed)]);
  chart('chart-kinds', 'bar', data.kinds, [set('failures', data.kindCounts, failed)]);
  chart('chart-run-times', 'bar', data.runBins, [set('radios', data.runCounts, plain)]);
  chart('chart-cycle-times', 'bar', data.cycleBins, [set('stations', data.cycleCounts, plain)]);
  chart('chart-hours', 'bar', data.hours, [set('radios', data.hourRadios, plain)]);
  chart('chart-firmware', 'bar', data.firmware, [set('units', data.firmwareUnits, plain)]);
  var filter = document.getElementById('unit-filter');
  filter.addEventListener('input', function () {
    var wanted = filter.value.toLowerCase();
    document.querySelectorAll('#units tbody tr').forEach(function (row) {
      row.hidden = row.textContent.toLowerCase().indexOf(wanted) < 0;
    });
  });
})();
)js";

} // namespace zorvane::report
