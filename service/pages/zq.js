/* Shared by the service's pages: commands to the Zephquill client through command
   addresses, questions to it through page elements, and calls to the service.
   Written for the web control of Internet Explorer 7: ECMAScript 3 only, no JSON
   object, no addEventListener, no trailing commas. */
var zq = { gap: 150, queue: [], busy: false };

/* A value in a command address ends at the first "~", and an empty value would not
   arrive as an empty text, so "~" becomes "-" and an empty value "0". Nothing else
   changes: the client takes the value exactly as the address holds it. */
zq.value = function (v) {
  var s = (v === null || v === undefined) ? "" : String(v);
  s = s.split("~").join("-");
  return s === "" ? "0" : s;
};

zq.address = function (number, wParam, lParam) {
  return "zqwndcmd::CMD:" + number + "~wParam:" + zq.value(wParam) +
         "~lParam:" + zq.value(lParam) + "~";
};

/* Every command is a navigation of this (top-level) page that the client cancels.
   Commands go out one at a time, a short gap apart, whatever became of the previous
   navigation, so that none is lost to the next and a cancelled one stops nothing. */
zq.command = function (number, wParam, lParam) {
  zq.push({ url: zq.address(number, wParam, lParam) });
};
zq.navigate = function (url) { zq.push({ url: url }); };
zq.then = function (fn) { zq.push({ fn: fn }); };
zq.push = function (item) {
  zq.queue.push(item);
  if (!zq.busy) { zq.busy = true; zq.pump(); }
};
zq.pump = function () {
  var item;
  if (zq.queue.length === 0) { zq.busy = false; return; }
  item = zq.queue.shift();
  if (item.fn) {
    try { item.fn(); } catch (e) { }
    window.setTimeout(zq.pump, 0);
    return;
  }
  try { window.location.href = item.url; } catch (e2) { }
  window.setTimeout(zq.pump, zq.gap);
};

/* The panel's own commands. */
zq.size = function (width, height) { zq.command(1224, width, height); };
zq.toggleSlide = function () { zq.command(1230, "0", "0"); };
zq.slide = function (state) { zq.command(1229, state, "0"); };
zq.drag = function () { zq.command(1227, "Drag", "0"); };
zq.transparency = function (alpha) { zq.command(1227, "Trasparency", alpha); };
zq.close = function () { zq.command(1228, "0", "0"); };
zq.store = function (key, value) { zq.command(1232, key, value); };
zq.tell = function (word, argument) { zq.command(1227, word, argument); };
zq.openWindow = function (title, path) { zq.command(1226, title + ";" + zq.page(path), "0"); };

zq.page = function (path) {
  return window.location.protocol + "//" + window.location.host + path;
};
zq.panelQuery = function (clientId, site) {
  return "TavrelZephquillID=" + encodeURIComponent(clientId) +
         "&TavrelZephquillURL=" + encodeURIComponent(site);
};
zq.query = function () { return zq.panelQuery(zq.text("zqClientId"), zq.text("zqSite")); };

/* Switches the panel to another base page: the client keeps it for this panel (1225)
   and for the panels to come (1232 "LastBaseURLNavigated"), then the page loads it. */
zq.switchTo = function (path, query) {
  var base = zq.page(path);
  zq.command(1225, base, "0");
  zq.store("LastBaseURLNavigated", base);
  zq.navigate(query ? base + "?" + query : base);
};

/* Elements. */
zq.el = function (id) { return document.getElementById(id); };
zq.trim = function (s) { return String(s).replace(/^\s+|\s+$/g, ""); };
zq.text = function (id) {
  var el = zq.el(id), t;
  if (!el) { return ""; }
  t = el.innerText;
  if (typeof t !== "string") { t = el.textContent; }
  return zq.trim(t || "");
};
zq.setText = function (id, text) {
  var el = zq.el(id);
  if (!el) { return; }
  if (typeof el.innerText === "string") { el.innerText = text; } else { el.textContent = text; }
};
zq.on = function (id, fn) {
  var el = zq.el(id);
  if (el) { el.onclick = function () { fn(el); return true; }; }
};
zq.param = function (name, fallback) {
  var pairs = window.location.search.replace(/^\?/, "").split(/[&?]/), i, kv;
  for (i = 0; i < pairs.length; i++) {
    kv = pairs[i].split("=");
    if (kv[0].toLowerCase() === name.toLowerCase() && kv.length > 1) {
      try { return decodeURIComponent(kv[1]); } catch (e) { return kv[1]; }
    }
  }
  return fallback;
};

/* Asks the client for a configuration value: the client writes it into the element
   (1231); the callback gets the text once it is there, or "" when none came. */
zq.askSetting = function (key, id, callback) {
  zq.setText(id, "");
  zq.command(1231, key, id);
  zq.then(function () { zq.waitText(id, 1500, callback); });
};
/* The same for the address of the site the user visited last (1235). */
zq.askLastSite = function (id, callback) {
  zq.setText(id, "");
  zq.command(1235, id, "0");
  zq.then(function () { zq.waitText(id, 1500, callback); });
};
zq.waitText = function (id, wait, callback) {
  var waited = 0;
  function check() {
    var t = zq.text(id);
    if (t !== "" || waited >= wait) { callback(t); return; }
    waited += 50;
    window.setTimeout(check, 50);
  }
  check();
};

/* Calls to the service. Answers are "ok" or "error" and tab-separated values, or markup. */
zq.request = function (method, url, body, done) {
  var x = window.XMLHttpRequest ? new XMLHttpRequest() : new ActiveXObject("Microsoft.XMLHTTP");
  if (method === "GET") { url += (url.indexOf("?") < 0 ? "?" : "&") + "_=" + new Date().getTime(); }
  x.open(method, url, true);
  if (method === "POST") {
    x.setRequestHeader("Content-Type", "application/x-www-form-urlencoded; charset=UTF-8");
  }
  x.onreadystatechange = function () {
    if (x.readyState !== 4) { return; }
    x.onreadystatechange = function () { };
    done(x.status, x.responseText || "", x);
  };
  x.send(method === "POST" ? (body || "") : null);
};
zq.form = function (fields) {
  var parts = [], k;
  for (k in fields) {
    if (fields.hasOwnProperty(k)) { parts.push(encodeURIComponent(k) + "=" + encodeURIComponent(fields[k])); }
  }
  return parts.join("&");
};
zq.fields = function (answer) { return zq.trim(answer).split("\t"); };
zq.problem = function (status, answer) {
  var f = zq.fields(answer);
  if (f[0] === "error" && f.length > 1) { return f[1]; }
  return status === 0 ? "The service cannot be reached." : "The service could not do that (" + status + ").";
};
zq.show = function (holderId, listClass, markup) {
  zq.el(holderId).innerHTML = "<ul class=\"" + listClass + "\">" + markup + "</ul>";
};

/* Wiring shared by the panel pages: size, slide, drag, transparency, windows, close. */
zq.panelPage = function (width, height) {
  var title = zq.el("zqTitle"), alpha = zq.el("zqAlpha");
  zq.size(width, height);
  if (zq.text("zqOpen") === "1") { zq.slide("2"); }
  zq.on("zqTab", function () { zq.toggleSlide(); });
  if (title) {
    title.onmousedown = function (e) {
      var t;
      e = e || window.event;
      t = e.target || e.srcElement;
      if (t && (t.tagName === "BUTTON" || t.tagName === "SELECT")) { return true; }
      zq.drag();
      return false;
    };
  }
  if (alpha) { alpha.onchange = function () { zq.transparency(alpha.value); }; }
  zq.on("zqClose", function () { zq.close(); });
  zq.on("zqOff", function () { zq.switchTo("/Panel/DefaultClose.html", ""); });
  zq.on("zqMore", function () { zq.switchTo("/Panel/SiteComments.aspx", "Open=1&" + zq.query()); });
  zq.on("zqLess", function () { zq.switchTo("/Panel/DefaultMinimize.aspx", zq.query()); });
  zq.on("zqWinFriends", function () {
    zq.openWindow("Where Are My Friends", "/Panel/WhereAreMyFriends.aspx?InitialScreen=Friends");
  });
  zq.on("zqWinEvents", function () { zq.openWindow("My Events", "/Panel/Events.aspx"); });
  zq.on("zqWinSettings", function () {
    zq.openWindow("My Settings", "/Panel/Settings.aspx?OpenTab=GeneralTab");
  });
};

/* Wiring shared by the service windows: their size and their close button. */
zq.windowPage = function (width, height) {
  zq.size(width, height);
  zq.on("zqClose", function () { zq.close(); });
};
