// Shared part of the program's map pages: the map with the tile layers the program configured, the
// address search, the point-text format, and the resize hook the dialog calls.
var MapCommon = (function () {
  'use strict';
  var DEFAULT_LAT = 37.566079;
  var DEFAULT_LNG = 126.980495;
  var OSM_LAYER = {
    name: 'Road map',
    url: 'https://tile.openstreetmap.org/{z}/{x}/{y}.png',
    attribution: '&copy; <a href="https://www.openstreetmap.org/copyright">OpenStreetMap</a> contributors',
    maxZoom: 19
  };
  var OSM_GEOCODER = 'https://nominatim.openstreetmap.org/search?format=json&limit=1&q={query}';

  function config() { return window.hostConfig || {}; }

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

  // The points of a point text: lines whose first two "@" fields are both non-empty.
  function parsePointText(text) {
    var points = [];
    var lines = String(text).split('\n');
    for (var i = 0; i < lines.length; i++) {
      var f = lines[i].split('@');
      if (f.length >= 2 && f[0] !== '' && f[1] !== '') points.push({ lng: f[0], lat: f[1] });
    }
    return points;
  }

  // A position of the call's texts; the default centre when either is missing or not a number.
  function positionOr(lat, lng) {
    var a = Number(lat), b = Number(lng);
    if (lat === undefined || lng === undefined || lat === '' || lng === '' || !isFinite(a) || !isFinite(b)) {
      return null;
    }
    return L.latLng(a, b);
  }

  function defaultCenter() { return L.latLng(DEFAULT_LAT, DEFAULT_LNG); }

  function createMap(zoom) {
    var map = L.map('map_canvas', { zoomControl: true }).setView(defaultCenter(), zoom);
    var layers = config().tileLayers;
    if (!Array.isArray(layers)) layers = [OSM_LAYER];
    var choice = {};
    var first = null;
    layers.forEach(function (l) {
      if (!l || !l.url) return;
      var layer = L.tileLayer(l.url, { attribution: l.attribution || '', maxZoom: l.maxZoom || 19 });
      if (first === null) { first = layer; layer.addTo(map); }
      choice[l.name || ('Layer ' + (Object.keys(choice).length + 1))] = layer;
    });
    if (Object.keys(choice).length > 1) L.control.layers(choice, null, { collapsed: false }).addTo(map);
    window.hostResized = function () { map.invalidateSize(); };
    return map;
  }

  // The search box: the address goes to the configured geocoder, at most one request a second.
  function attachSearch(map) {
    var input = document.getElementById('queryInput');
    var button = document.getElementById('searchButton');
    var lastRequest = 0;
    var searchMarker = null;
    function fail(reason) { alert('Geocode was not successful for the following reason: ' + reason); }
    function run(address) {
      var template = config().geocoderUrl;
      if (template === undefined) template = OSM_GEOCODER;
      if (!template) { alert('Address search is not configured.'); return; }
      var url = template.replace('{query}', encodeURIComponent(address));
      lastRequest = Date.now();
      fetch(url, { headers: { 'Accept': 'application/json' } })
        .then(function (r) { if (!r.ok) throw new Error('HTTP ' + r.status); return r.json(); })
        .then(function (list) {
          if (!Array.isArray(list) || list.length === 0) { fail('ZERO_RESULTS'); return; }
          var p = L.latLng(Number(list[0].lat), Number(list[0].lon));
          map.setView(p);
          if (searchMarker) map.removeLayer(searchMarker);
          searchMarker = L.marker(p).addTo(map);
        })
        .catch(function (e) { fail(e && e.message ? e.message : 'ERROR'); });
    }
    function search() {
      var address = input.value;
      if (!address) return;
      var wait = lastRequest + 1000 - Date.now();
      if (wait > 0) { setTimeout(function () { run(address); }, wait); } else { run(address); }
    }
    button.addEventListener('click', search);
    input.addEventListener('keydown', function (e) { if (e.key === 'Enter') search(); });
  }

  return {
    formatCoord: formatCoord,
    formatPointText: formatPointText,
    parsePointText: parsePointText,
    positionOr: positionOr,
    defaultCenter: defaultCenter,
    createMap: createMap,
    attachSearch: attachSearch
  };
})();
