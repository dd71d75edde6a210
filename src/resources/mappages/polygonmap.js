// The polygon map page: the user draws a zone by clicks (a click on the first point closes it),
// confirms it, moves or deletes its points; a stored zone is shown from its point text. The zone's
// point text and point count are kept in the hidden inputs the program reads.
var poly = [];            // the zone's points; a closed zone repeats its first point at the end
var markersArray = [];
var polyline = null, polygon = null;
var firstPoint = null, firstMarker = null;
var edit_flag = false;    // the zone was loaded or is being edited
var marker_th = -1, bPolyMove = false;
var reset_flag = false;
var zoneClosed = false;  // the zone is closed (also while one of its points moves)
var PolyCount = 60, TotalPolyCount = 0, SumPolyCount = 0;
var loadString = '';

var map = MapCommon.createMap(10);
MapCommon.attachSearch(map);

function isClosed() { return zoneClosed; }
function pointCount() { return isClosed() ? poly.length - 1 : poly.length; }
function openPoints() { return poly.slice(0, pointCount()); }

function cell(tag, text) {
  var c = document.createElement(tag);
  c.textContent = text;
  return c;
}

function setTable(points) {
  var t = document.getElementById('ML_table');
  while (t.firstChild) t.removeChild(t.firstChild);
  var head = document.createElement('tr');
  ['No', 'Long', 'Lat'].forEach(function (h) { head.appendChild(cell('th', h)); });
  t.appendChild(head);
  if (points.length === 0) {
    var none = document.createElement('tr');
    var c = cell('td', 'Location does not have a value.');
    c.colSpan = 3;
    none.appendChild(c);
    t.appendChild(none);
  }
  points.forEach(function (p, i) {
    var row = document.createElement('tr');
    row.setAttribute('data-row', String(i));
    row.appendChild(cell('td', String(i + 1)));
    row.appendChild(cell('td', Number(p.lng).toFixed(6)));
    row.appendChild(cell('td', Number(p.lat).toFixed(6)));
    row.addEventListener('click', function () {
      // Any point is centred, wherever it lies.
      var q = openPoints()[i];
      if (q) map.panTo(q, { animate: false });
    });
    t.appendChild(row);
  });
}

function highlightRow(i) {
  var rows = document.querySelectorAll('#ML_table tr[data-row]');
  for (var r = 0; r < rows.length; r++) rows[r].style.background = (r === i) ? '#FFFF99' : '';
}

function newMarker(p, first) {
  var m = L.circleMarker(p, { radius: 6, color: '#FFFFFF', weight: 2, fillOpacity: 1, bubblingMouseEvents: false,
                              fillColor: first ? '#7FDBFF' : '#FF0000' }).addTo(map);
  m.on('click', function () { onMarkerClick(m); });
  return m;
}

function removeShapes() {
  if (polyline) map.removeLayer(polyline);
  if (polygon) map.removeLayer(polygon);
  polyline = polygon = null;
}

function drawOutline() {
  removeShapes();
  if (poly.length > 0) polyline = L.polyline(poly, { color: '#FF0000', opacity: 1.0, weight: 1.5, interactive: false }).addTo(map);
}

// The points as a closed, filled zone.
function drawZone(points) {
  removeShapes();
  poly = points.slice();
  poly.push(points[0]);
  zoneClosed = true;
  polygon = L.polygon(points, { color: '#FF0000', weight: 1.5, fillColor: '#FF0000', fillOpacity: 0.35, interactive: false }).addTo(map);
}

function rebuildMarkers(points) {
  markersArray.forEach(function (m) { map.removeLayer(m); });
  markersArray = [];
  points.forEach(function (p, i) { markersArray.push(newMarker(p, i === 0)); });
  firstPoint = points.length > 0 ? points[0] : null;
  firstMarker = markersArray.length > 0 ? markersArray[0] : null;
  setTable(points);
}

// A window's content: its question and a button per action.
function popupButtons(text, buttons) {
  var box = document.createElement('div');
  box.appendChild(cell('div', text));
  var row = document.createElement('div');
  buttons.forEach(function (b) {
    var button = cell('button', b[0]);
    button.type = 'button';
    button.addEventListener('click', b[1]);
    row.appendChild(button);
    row.appendChild(document.createTextNode(' '));
  });
  box.appendChild(row);
  return box;
}

function openConfirmation() {
  if (!firstMarker) return;
  L.popup({ closeOnClick: false, autoClose: true })
    .setLatLng(firstMarker.getLatLng())
    .setContent(popupButtons('Do you input data correct ?', [['confirm', confirmZone], ['close', closeConfirmation]]))
    .openOn(map);
}

function onMapClick(e) {
  if (reset_flag) { reset_flag = false; return; }
  if (isClosed() && !bPolyMove) { alert('polygon have already draw'); return; }
  if (bPolyMove) {
    // The point moves: the zone keeps its number of points.
    var points = openPoints();
    points[marker_th] = e.latlng;
    bPolyMove = false;
    marker_th = -1;
    edit_flag = true;
    rebuildMarkers(points);
    drawZone(points);
    openConfirmation();
    return;
  }
  if (poly.length >= PolyCount) { alert('can not point number exceed ' + PolyCount + 'ea.'); return; }
  if (TotalPolyCount > 0 && SumPolyCount + poly.length >= TotalPolyCount) {
    alert('can not point Total number exceed ' + TotalPolyCount + 'ea.');
    return;
  }
  poly.push(e.latlng);
  var m = newMarker(e.latlng, poly.length === 1);
  markersArray.push(m);
  if (poly.length === 1) { firstPoint = e.latlng; firstMarker = m; }
  setTable(poly);
  drawOutline();
}
map.on('click', onMapClick);

function onMarkerClick(m) {
  var i = markersArray.indexOf(m);
  if (i < 0) return;
  if (i === 0 && !isClosed() && !edit_flag && poly.length >= 3) {
    drawZone(poly);
    openConfirmation();
    return;
  }
  marker_th = i;
  highlightRow(i);
  L.popup().setLatLng(m.getLatLng())
    .setContent(popupButtons('for corresponding location information modify or delete?',
                             [['move', movePoint], ['delete', deletePoint],
                              ['cancel', function () { map.closePopup(); }]]))
    .openOn(map);
}

function movePoint() {
  if (marker_th < 0) return;
  map.closePopup();
  markersArray[marker_th].setStyle({ opacity: 0, fillOpacity: 0 });
  removeShapes();
  bPolyMove = true;
}

function deletePoint() {
  if (marker_th < 0) return;
  var points = openPoints();
  if (points.length < 4) { alert('At least three points need to be registered.'); return; }
  map.closePopup();
  points.splice(marker_th, 1);
  marker_th = -1;
  edit_flag = true;
  rebuildMarkers(points);
  drawZone(points);
  openConfirmation();
  map.fitBounds(L.latLngBounds(points));
}

// 'confirm': the zone's point text goes to the hidden inputs.
function setPolyZone() {
  var points = openPoints();
  document.getElementById('txtpolyzone').value = MapCommon.formatPointText(points);
  document.getElementById('txtpolycount').value = String(points.length);
  document.getElementById('selbox').value = '1';
  map.closePopup();
}
function confirmZone() {
  if (!isClosed()) return '';
  setPolyZone();
  return '0';
}

// 'close': a zone being drawn is cleared; a loaded or edited zone only closes the window.
function closeConfirmation() {
  if (edit_flag) map.closePopup();
  else clearPolygon();
}

function clearPolygon() {
  document.getElementById('txtpolyzone').value = '';
  document.getElementById('txtpolycount').value = '';
  document.getElementById('selbox').value = '0';
  removeShapes();
  markersArray.forEach(function (m) { map.removeLayer(m); });
  markersArray = [];
  poly = [];
  firstPoint = firstMarker = null;
  zoneClosed = false;
  edit_flag = false;
  bPolyMove = false;
  marker_th = -1;
  map.closePopup();
  setTable([]);
}

// A stored zone: its point text is kept as it was given (only the lines that are points), so a
// zone the user leaves unchanged goes back exactly as it came.
function loadCoord(text) {
  if (!MapCommon.asText(text)) { alert('Please send the location coordinate values.'); return; }
  clearPolygon();
  loadString = MapCommon.asText(text);
  var points = MapCommon.parsePointText(loadString);
  var latlngs = points.map(function (p) { return L.latLng(Number(p.lat), Number(p.lng)); });
  rebuildMarkers(latlngs);
  edit_flag = true;
  if (latlngs.length >= 3) {
    drawZone(latlngs);
    // A zone needs three points: fewer leave no point text to send.
    document.getElementById('txtpolyzone').value =
        points.map(function (p) { return p.lng + '@' + p.lat + '@'; }).join('\n');
    document.getElementById('txtpolycount').value = String(latlngs.length);
    document.getElementById('selbox').value = '1';
  } else {
    poly = latlngs.slice();
    drawOutline();
  }
  if (latlngs.length > 0) map.fitBounds(L.latLngBounds(latlngs));
}

function MoveMap(lat, lon) {
  var p = MapCommon.positionOr(lat, lon) || MapCommon.defaultCenter();
  map.setView(p, map.getZoom(), { animate: false });
}
// A limit that is not a whole number leaves the limit as it was.
function countOr(n, before) { return MapCommon.isInteger(n) ? parseInt(n, 10) : before; }
function SetPolyCount(n) { PolyCount = countOr(n, PolyCount); }
function SetTotalPolyCount(n) { TotalPolyCount = countOr(n, TotalPolyCount); }
function SetSumPolyCount(n) { SumPolyCount = countOr(n, SumPolyCount); }
function formatPointText(text) { return MapCommon.formatPointText(MapCommon.parsePointText(text)); }
function OnTest() { return 'TEST OK'; }
// The number of points the zone has now (drawn, loaded or being drawn), as text.
function getPointCount() { return String(pointCount()); }
// The per-zone limit, the total limit and the other zones' points the page works with.
function getLimits() { return PolyCount + ';' + TotalPolyCount + ';' + SumPolyCount; }

setTable([]);
