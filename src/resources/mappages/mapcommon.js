// Shared part of the program's map pages: the page's network policy, the map with the tile layers
// the program configured, the address search, the checks of the texts the program passes, the
// point-text format, and the resize hook the dialog calls.
//
// Every text the program passes (device values, file contents, settings) is data: numbers are used
// only when they have the form of a number, and texts are shown through text nodes, never as markup.
var MapCommon = (function () {
  'use strict';
  var DEFAULT_LAT = 37.566079;
  var DEFAULT_LNG = 126.980495;
  var OSM_LAYER = {
    name: 'Road map',
    url: 'https://tile.openstreetmap.org/{z}/{x}/{y}.png',
    attribution: '\u00a9 OpenStreetMap contributors',
    maxZoom: 19
  };
  var OSM_GEOCODER = 'https://nominatim.openstreetmap.org/search?format=json&limit=1&q={query}';
  // The least time between two address searches (the public geocoder allows one a second).
  var SEARCH_INTERVAL_MS = 1000;

  function config() { return window.hostConfig || {}; }

  function tileLayers() {
    var layers = config().tileLayers;
    return Array.isArray(layers) ? layers : [OSM_LAYER];
  }

  function geocoderUrl() {
    var template = config().geocoderUrl;
    return template === undefined ? OSM_GEOCODER : template;
  }

  // ---- The page's network policy ----

  // The origins a URL template may reach: its scheme and host (with port), the map library's
  // subdomains ("{s}") spelt out. Nothing for a template that is not http or https, or whose host
  // is not a plain host name.
  function originsOf(template) {
    var m = /^(https?):\/\/([^\/?#]+)/i.exec(typeof template === 'string' ? template : '');
    if (!m) return [];
    var host = m[2];
    var hosts = host.indexOf('{s}') >= 0 ? ['a', 'b', 'c'].map(function (s) { return host.split('{s}').join(s); }) : [host];
    return hosts.filter(function (h) { return /^[A-Za-z0-9.-]+(:[0-9]{1,5})?$/.test(h); })
                .map(function (h) { return m[1].toLowerCase() + '://' + h.toLowerCase(); });
  }

  // Images only from the program's resources, data texts (the map library's blank tile) and the
  // configured tile hosts; connections only to the configured geocoder. It adds to the page's own
  // policy (both hold).
  function applyNetworkPolicy() {
    var images = ['qrc:', 'data:'];
    tileLayers().forEach(function (l) { if (l && l.url) images = images.concat(originsOf(l.url)); });
    var connect = originsOf(geocoderUrl());
    var meta = document.createElement('meta');
    meta.httpEquiv = 'Content-Security-Policy';
    meta.content = 'img-src ' + images.join(' ') + '; connect-src ' + (connect.length ? connect.join(' ') : "'none'");
    document.head.appendChild(meta);
  }
  applyNetworkPolicy();

  // ---- Texts from the program ----

  function isText(value) { return typeof value === 'string' || typeof value === 'number'; }
  // A decimal number as the program writes one: optional sign, digits, optional decimals.
  function isDecimal(value) { return isText(value) && /^[+-]?([0-9]+(\.[0-9]*)?|\.[0-9]+)$/.test(String(value)); }
  // A whole number with an optional sign.
  function isInteger(value) { return isText(value) && /^[+-]?[0-9]+$/.test(String(value)); }
  // What a value shows as: its text ("" when it has none).
  function asText(value) { return isText(value) ? String(value) : ''; }

  // An element holding the lines as text, one below the other.
  function textLines(lines) {
    var box = document.createElement('div');
    lines.forEach(function (line, i) {
      if (i > 0) box.appendChild(document.createElement('br'));
      box.appendChild(document.createTextNode(asText(line)));
    });
    return box;
  }

  // A text for the map library's places that take markup only (layer names, attributions).
  function escapeMarkup(value) {
    return asText(value).replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;')
                        .replace(/"/g, '&quot;').replace(/'/g, '&#39;');
  }

  // ---- Coordinates ----

  // A coordinate with 6 decimals, filled up with trailing zeros to at least minLength characters.
  function formatCoord(value, minLength) {
    var text = Number(value).toFixed(6);
    while (text.length < minLength) text += '0';
    return text;
  }

  // One line per point, "longitude@latitude@", joined by single line feeds (none after the last).
  function formatPointText(points) {
    var lines = [];
    for (var i = 0; i < points.length; i++) {
      lines.push(formatCoord(points[i].lng, 10) + '@' + formatCoord(points[i].lat, 9) + '@');
    }
    return lines.join('\n');
  }

  // The points of a point text, as their texts: lines whose first two "@" fields are both numbers
  // (a carriage return ending a line and a third field are ignored).
  function parsePointText(text) {
    var points = [];
    var lines = asText(text).split('\n');
    for (var i = 0; i < lines.length; i++) {
      var f = lines[i].replace(/\r$/, '').split('@');
      if (f.length >= 2 && isDecimal(f[0]) && isDecimal(f[1])) points.push({ lng: f[0], lat: f[1] });
    }
    return points;
  }

  // A position of the call's texts; null when either is missing or not a number.
  function positionOr(lat, lng) {
    if (!isDecimal(lat) || !isDecimal(lng)) return null;
    return L.latLng(Number(lat), Number(lng));
  }

  function defaultCenter() { return L.latLng(DEFAULT_LAT, DEFAULT_LNG); }

  // ---- The map ----

  function createMap(zoom) {
    var map = L.map('map_canvas', { zoomControl: true }).setView(defaultCenter(), zoom);
    // No links on the page: a click on one would take the dialog away from its map.
    map.attributionControl.setPrefix('Leaflet');
    var choice = {};
    var first = null;
    tileLayers().forEach(function (l) {
      if (!l || typeof l.url !== 'string' || !l.url) return;
      var layer = L.tileLayer(l.url, { attribution: escapeMarkup(l.attribution), maxZoom: Number(l.maxZoom) || 19 });
      if (first === null) { first = layer; layer.addTo(map); }
      choice[escapeMarkup(l.name) || ('Layer ' + (Object.keys(choice).length + 1))] = layer;
    });
    if (Object.keys(choice).length > 1) L.control.layers(choice, null, { collapsed: false }).addTo(map);
    window.hostResized = function () { map.invalidateSize(); };
    return map;
  }

  // The search box: the address goes to the configured geocoder, at most one request a second;
  // presses meanwhile wait for that second and the last address pressed is the one searched. Only
  // the answer to the newest request moves the map.
  function attachSearch(map) {
    var input = document.getElementById('queryInput');
    var button = document.getElementById('searchButton');
    var lastRequest = null;
    var waiting = null;      // the address that waits for its turn
    var timerSet = false;
    var newest = 0;
    var searchMarker = null;
    function fail(reason) { alert('Geocode was not successful for the following reason: ' + reason); }
    function run(address) {
      var template = geocoderUrl();
      if (!template) { alert('Address search is not configured.'); return; }
      var url = String(template).replace('{query}', encodeURIComponent(address));
      var request = ++newest;
      lastRequest = Date.now();
      fetch(url, { headers: { 'Accept': 'application/json' } })
        .then(function (r) { if (!r.ok) throw new Error('HTTP ' + r.status); return r.json(); })
        .then(function (list) {
          if (request !== newest) return;
          var hit = Array.isArray(list) && list.length > 0 ? positionOr(asText(list[0].lat), asText(list[0].lon)) : null;
          if (hit === null) { fail('ZERO_RESULTS'); return; }
          map.setView(hit);
          if (searchMarker) map.removeLayer(searchMarker);
          searchMarker = L.marker(hit).addTo(map);
        })
        .catch(function (e) { if (request === newest) fail(e && e.message ? e.message : 'ERROR'); });
    }
    function runWaiting() {
      timerSet = false;
      var address = waiting;
      waiting = null;
      if (address) run(address);
    }
    function search() {
      var address = input.value;
      if (!address) return;
      waiting = address;
      if (timerSet) return;
      var now = Date.now();
      var wait = lastRequest === null ? 0 : lastRequest + SEARCH_INTERVAL_MS - now;
      // A clock set back does not hold the search for longer than the interval.
      wait = Math.min(wait, SEARCH_INTERVAL_MS);
      if (wait > 0) {
        timerSet = true;
        setTimeout(runWaiting, wait);
      } else {
        runWaiting();
      }
    }
    button.addEventListener('click', search);
    input.addEventListener('keydown', function (e) { if (e.key === 'Enter') search(); });
  }

  return {
    isDecimal: isDecimal,
    isInteger: isInteger,
    asText: asText,
    textLines: textLines,
    formatCoord: formatCoord,
    formatPointText: formatPointText,
    parsePointText: parsePointText,
    positionOr: positionOr,
    defaultCenter: defaultCenter,
    createMap: createMap,
    attachSearch: attachSearch
  };
})();
