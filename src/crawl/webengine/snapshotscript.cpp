#include "crawl/webengine/snapshotscript.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

const QString& pagemint::SnapshotScript()
{
    // Image sizes: a picture that has not loaded reports the size of its alt-text box, so the
    // declared width/height attributes stand for it then; a loaded picture gives its natural
    // size; anything else its rendered size.
    static const QString script = QStringLiteral(R"JS(
(function () {
  var d = document;
  function declared(e, name) {
    var a = e.getAttribute(name);
    if (a !== null && /^\s*\d+(\.\d*)?\s*(px)?\s*$/i.test(a))
      return parseInt(a, 10);
    return null;
  }
  function size(e, name, loaded) {
    if (loaded)
      return name === 'width' ? e.naturalWidth : e.naturalHeight;
    var a = declared(e, name);
    if (a !== null)
      return a;
    return name === 'width' ? e.width : e.height;
  }
  var r = { URL: String(d.URL), links: [], images: [], objects: [], hasBody: !!d.body,
            bodyText: '', timeOrigin: performance.timeOrigin };
  var ls = d.links;
  for (var i = 0; i < ls.length; i++) {
    var h = ls[i].href;
    if (typeof h !== 'string')
      h = (h && typeof h.baseVal === 'string') ? h.baseVal : (ls[i].getAttribute('href') || '');
    r.links.push(h);
  }
  var im = d.images;
  for (var i = 0; i < im.length; i++) {
    var e = im[i];
    var loaded = e.complete && e.naturalWidth > 0;
    r.images.push([String(e.src || ''), size(e, 'width', loaded) | 0, size(e, 'height', loaded) | 0]);
  }
  var ob = d.getElementsByTagName('object');
  for (var i = 0; i < ob.length; i++) {
    var o = ob[i];
    var movie = o.getAttribute('movie');
    var has = movie !== null;
    for (var c = o.firstElementChild; !has && c; c = c.nextElementSibling) {
      if (c.tagName.toLowerCase() === 'param'
          && String(c.getAttribute('name') || '').toLowerCase() === 'movie') {
        movie = c.getAttribute('value') || '';
        has = true;
      }
    }
    r.objects.push([String(o.getAttribute('classid') || ''), has ? String(movie) : '', has]);
  }
  if (d.body)
    r.bodyText = String(d.body.innerText || '').replace(/\r\n|\r|\n/g, '\r\n');
  return JSON.stringify(r);
})()
)JS");
    return script;
}

std::shared_ptr<TPageSnapshot> pagemint::ParseSnapshot(const QString& answer, double* timeOrigin)
{
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(answer.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !json.isObject())
        return nullptr;
    const QJsonObject root = json.object();
    auto snapshot = std::make_shared<TPageSnapshot>();
    snapshot->URL = root.value(QLatin1String("URL")).toString();
    const QJsonArray links = root.value(QLatin1String("links")).toArray();
    snapshot->links.reserve(links.size());
    for (const QJsonValue& link : links)
        snapshot->links.append(link.toString());
    const QJsonArray images = root.value(QLatin1String("images")).toArray();
    snapshot->images.reserve(images.size());
    for (const QJsonValue& value : images) {
        const QJsonArray image = value.toArray();
        snapshot->images.push_back({image.at(0).toString(), image.at(1).toInt(), image.at(2).toInt()});
    }
    for (const QJsonValue& value : root.value(QLatin1String("objects")).toArray()) {
        const QJsonArray object = value.toArray();
        snapshot->objects.push_back({object.at(0).toString(), object.at(1).toString(), object.at(2).toBool()});
    }
    snapshot->hasBody = root.value(QLatin1String("hasBody")).toBool();
    snapshot->bodyText = root.value(QLatin1String("bodyText")).toString();
    if (timeOrigin)
        *timeOrigin = root.value(QLatin1String("timeOrigin")).toDouble();
    return snapshot;
}
