// The circle map page: one geofence drawn by hand (left click origin, right click rim), one shown
// for editing, or every geofence of the table at once. The program calls the functions below by
// name; every argument arrives as a text, is used as a number only when it has the form of one and
// is shown as text.
var lat1 = '', lon1 = '', lat2 = '', lon2 = '';
var g_distance = 0;        // metres (metre mode) or kilometres, as reported
var g_distnace_oring = 0;  // unrounded radius in metres of the last computation
var g_IsMeter = 0;         // 0 kilometres, 1 metres
var lmarker = null, rmarker = null, cityCircle = null;
var allViewMarker = [], allViewCircle = [];
var levent = null, revent = null;

var map = MapCommon.createMap(13);
MapCommon.attachSearch(map);

var RED = '#FF0000', LIGHT_BLUE = '#7FDBFF', BLUE = '#0050FF';

// A dot with its hover text (lines of text; none when empty).
function dot(latlng, colour, titleLines) {
  var m = L.circleMarker(latlng, { radius: 6, color: '#FFFFFF', weight: 2, fillColor: colour, fillOpacity: 1 });
  if (titleLines.length > 0) m.bindTooltip(MapCommon.textLines(titleLines));
  return m.addTo(map);
}
function removeLayer(layer) { if (layer) map.removeLayer(layer); return null; }
function unitWord(spaced) { return g_IsMeter ? (spaced ? ' m' : 'm') : (spaced ? ' Km' : 'km'); }
// The drawn radius in metres of a radius text: its whole number in the page's unit; 0 for a text
// that is not a number.
function radiusMetres(rad) {
  var r = MapCommon.isDecimal(rad) ? Math.max(0, parseInt(rad, 10) || 0) : 0;
  return g_IsMeter ? r : r * 1000;
}

function armHandlers() {
  disarmHandlers();
  levent = function (e) { setOrigin(e.latlng.wrap()); };
  revent = function (e) { setRim(e.latlng.wrap()); };
  map.on('click', levent);
  map.on('contextmenu', revent);
}
function disarmHandlers() {
  if (levent) map.off('click', levent);
  if (revent) map.off('contextmenu', revent);
  levent = revent = null;
}

// Left click: a new origin.
function setOrigin(p) {
  rmarker = removeLayer(rmarker);
  lmarker = removeLayer(lmarker);
  cityCircle = removeLayer(cityCircle);
  lat1 = p.lat.toFixed(6);
  lon1 = p.lng.toFixed(6);
  g_distance = 0;
  lmarker = dot([Number(lat1), Number(lon1)], RED, ['Origin Position is: [' + lat1 + ', ' + lon1 + ']']);
}

// Spherical law of cosines on the earth's mean radius; the cosine is kept inside [-1, 1] so that
// two equal points give 0.
function distanceMetres(la1, lo1, la2, lo2) {
  var r = Math.PI / 180;
  var c = Math.sin(la1 * r) * Math.sin(la2 * r) + Math.cos(la1 * r) * Math.cos(la2 * r) * Math.cos((lo1 - lo2) * r);
  return 6371000.0 * Math.acos(Math.max(-1, Math.min(1, c)));
}

// Right click: the rim, the radius and the circle.
function setRim(p) {
  if (lat1 === '' || lon1 === '') { alert('Select Origin Point first'); return; }
  lat2 = p.lat.toFixed(6);
  lon2 = p.lng.toFixed(6);
  if (rmarker) { rmarker.setLatLng(p); } else { rmarker = dot(p, LIGHT_BLUE, []); }
  var d = distanceMetres(Number(lat1), Number(lon1), p.lat, p.lng);
  g_distnace_oring = d;
  g_distance = g_IsMeter ? Math.round(d) : Math.round(Math.round(d) / 1000);
  rmarker.unbindPopup();
  rmarker.bindPopup(MapCommon.textLines(['Radius of GeoFense is: ' + g_distance + unitWord(true)]), { autoPan: false })
    .openPopup();
  cityCircle = removeLayer(cityCircle);
  cityCircle = L.circle([Number(lat1), Number(lon1)], {
    radius: d, color: RED, opacity: 0.8, weight: 2, fillColor: RED, fillOpacity: 0.35, interactive: false
  }).addTo(map);
}

// A geofence of a call's texts; the default centre with a radius of 1000 when a coordinate is
// missing or not a number. The radius stays the text it was given.
function geofenceOrDefault(lat, lon, rad) {
  var p = MapCommon.positionOr(lat, lon);
  if (p === null) {
    p = MapCommon.defaultCenter();
    return { p: p, lat: String(p.lat), lon: String(p.lng), rad: '1000' };
  }
  return { p: p, lat: String(lat), lon: String(lon), rad: MapCommon.asText(rad) };
}

function setDistMeter() { g_IsMeter = 1; }

function clearAllMarker() {
  armHandlers();
  rmarker = removeLayer(rmarker);
  lmarker = removeLayer(lmarker);
  cityCircle = removeLayer(cityCircle);
  lat1 = '';
  lon1 = '';
  return '0';
}

function cancelAllMarker() {
  rmarker = removeLayer(rmarker);
  lmarker = removeLayer(lmarker);
  cityCircle = removeLayer(cityCircle);
  for (var i = 0; i < allViewMarker.length; i++) {
    removeLayer(allViewMarker[i]);
    removeLayer(allViewCircle[i]);
  }
  allViewMarker = [];
  allViewCircle = [];
  lat1 = '';
  lon1 = '';
  return '0';
}

function MoveMap(lat, lon) {
  var p = MapCommon.positionOr(lat, lon) || MapCommon.defaultCenter();
  map.setView(p, map.getZoom(), { animate: false });
}

function ViewDrawCircle(lat, lon, rad) {
  lmarker = removeLayer(lmarker);
  cityCircle = removeLayer(cityCircle);
  disarmHandlers();
  var g = geofenceOrDefault(lat, lon, rad);
  var p = g.p;
  lat = g.lat;
  lon = g.lon;
  rad = g.rad;
  lmarker = dot(p, RED, []);
  cityCircle = L.circle(p, {
    radius: radiusMetres(rad), color: RED, opacity: 0.8, weight: 2, fillColor: RED, fillOpacity: 0.35,
    interactive: false
  }).addTo(map);
  lmarker.bindPopup(MapCommon.textLines(['Origin Position is: [' + lat + ', ' + lon + ']',
                                         'Radius is: [' + rad + unitWord(false) + ']']),
                    { autoPan: false }).openPopup();
  map.setView(p, map.getZoom(), { animate: false });
  lat1 = lat;
  lon1 = lon;
  g_distance = rad;
  armHandlers();
}

function AllViewDrawCircle(index, lat, lon, rad) {
  disarmHandlers();
  var g = geofenceOrDefault(lat, lon, rad);
  var p = g.p;
  lat = g.lat;
  lon = g.lon;
  rad = g.rad;
  var id = MapCommon.asText(index);
  var where = '[' + lat + ', ' + lon + ']';
  var marker = dot(p, BLUE, ['GEO ID: [' + id + '] Origin Position is: ' + where,
                             'GEO ID: [' + id + '] Radius is: [' + rad + unitWord(false) + ']']);
  var circle = L.circle(p, {
    radius: radiusMetres(rad), color: RED, opacity: 0.5, weight: 2, fillColor: '#0099ff', fillOpacity: 0.10,
    interactive: false
  }).addTo(map);
  map.setView(p, map.getZoom(), { animate: false });
  var slot = MapCommon.isInteger(index) ? parseInt(index, 10) - 1 : -1;
  if (slot >= 0 && slot < 4096) {
    // A geofence drawn again replaces its earlier drawing (which would stay on the map for good).
    removeLayer(allViewMarker[slot]);
    removeLayer(allViewCircle[slot]);
    allViewMarker[slot] = marker;
    allViewCircle[slot] = circle;
  } else {
    allViewMarker.push(marker);
    allViewCircle.push(circle);
  }
  lat1 = lat;
  lon1 = lon;
  g_distance = rad;
  armHandlers();
}

function getGeoPos() { return lat1 + ';' + lon1 + ';' + g_distance; }
function getDistiance() { return String(g_distance); }
function OnTest() { return 'TEST OK'; }
