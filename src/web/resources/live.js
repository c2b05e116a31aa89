// The live update of an observation being recorded: asks for its JSON every
// few seconds and reloads the page when a sample or the verdict arrived.
(function () {
  "use strict";
  var live = document.getElementById("live");
  if (!live || live.dataset.running !== "1") {
    return;
  }
  var id = live.dataset.record;
  var shown = Number(live.dataset.samples);
  function poll() {
    fetch("/api/records/" + encodeURIComponent(id), {
      credentials: "same-origin",
      cache: "no-store",
    })
      .then(function (response) {
        if (!response.ok) {
          throw new Error(String(response.status));
        }
        return response.json();
      })
      .then(function (record) {
        var taken = (record.samples || 0) + (record.samples_not_judged || 0);
        if (taken !== shown || record.verdict !== "Incomplete observation") {
          window.location.reload();
          return;
        }
        window.setTimeout(poll, 3000);
      })
      .catch(function () {
        window.setTimeout(poll, 5000);
      });
  }
  window.setTimeout(poll, 3000);
})();
