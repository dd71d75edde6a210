// The polygon map page: shows a zone from its point text and keeps the point text of the zone in
// its hidden inputs. Drawing a zone by hand is not part of this program yet.
var poly = [];
var markersArray = [];
var polyline = null, polygon = null;
var PolyCount = 60, TotalPolyCount = 0, SumPolyCount = 0;
var loadString = '';

var map = MapCommon.createMap(10);
MapCommon.attachSearch(map);

function setTable(points) {
  var t = document.getElementById('ML_table');
  var html = '<tr><th>No</th><th>Long</th><th>Lat</th></tr>';
  if (points.length === 0) html += '<tr><td colspan="3">Location does not have a value.</td></tr>';
  for (var i = 0; i < points.length; i++) {
    html += '<tr><td>' + (i + 1) + '</td><td>' + Number(points[i].lng).toFixed(6) + '</td><td>' +
            Number(points[i].lat).toFixed(6) + '</td></tr>';
  }
  t.innerHTML = html;
}

function clearPolygon() {
  document.getElementById('txtpolyzone').value = '';
  document.getElementById('txtpolycount').value = '';
  document.getElementById('selbox').value = '0';
  if (polyline) map.removeLayer(polyline);
  if (polygon) map.removeLayer(polygon);
  polyline = polygon = null;
  markersArray.forEach(function (m) { map.removeLayer(m); });
  markersArray = [];
  poly = [];
  map.closePopup();
  setTable([]);
}

function loadCoord(text) {
  if (text === undefined || text === '') { alert('Please send the location coordinate values.'); return; }
  clearPolygon();
  loadString = text;
  var points = MapCommon.parsePointText(text).filter(function (p) {
    return isFinite(Number(p.lat)) && isFinite(Number(p.lng));
  });
  var latlngs = points.map(function (p) { return L.latLng(Number(p.lat), Number(p.lng)); });
  latlngs.forEach(function (p, i) {
    markersArray.push(L.circleMarker(p, { radius: 5, color: '#FFFFFF', weight: 2, fillOpacity: 1,
                                          fillColor: i === 0 ? '#7FDBFF' : '#FF0000' }).addTo(map));
  });
  poly = latlngs.slice();
  if (latlngs.length >= 3) {
    poly.push(latlngs[0]);
    polygon = L.polygon(latlngs, { color: '#FF0000', weight: 1.5, fillColor: '#FF0000', fillOpacity: 0.35 }).addTo(map);
  } else if (latlngs.length > 0) {
    polyline = L.polyline(latlngs, { color: '#FF0000', opacity: 1.0, weight: 1.5 }).addTo(map);
  }
  setTable(points);
  // A zone needs three points: fewer leave no point text to send.
  if (latlngs.length >= 3) {
    document.getElementById('txtpolyzone').value = MapCommon.formatPointText(latlngs);
    document.getElementById('txtpolycount').value = String(latlngs.length);
    document.getElementById('selbox').value = '1';
  }
  if (latlngs.length > 0) map.fitBounds(L.latLngBounds(latlngs));
}

function MoveMap(lat, lon) {
  var p = MapCommon.positionOr(lat, lon) || MapCommon.defaultCenter();
  map.setView(p, map.getZoom(), { animate: false });
}
function SetPolyCount(n) { PolyCount = parseInt(n, 10) || 0; }
function SetTotalPolyCount(n) { TotalPolyCount = parseInt(n, 10) || 0; }
function SetSumPolyCount(n) { SumPolyCount = parseInt(n, 10) || 0; }
function formatPointText(text) { return MapCommon.formatPointText(MapCommon.parsePointText(text)); }
function OnTest() { return 'TEST OK'; }

setTable([]);
