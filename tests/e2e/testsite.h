#pragma once
/**
 * Web sites for the end-to-end tests and the whole-program benchmarks, served on 127.0.0.1 at
 * a free port from background threads (cpp-httplib), and the small files they hold: pictures
 * of the three kinds the gallery decodes, generated here, and HTML pages.
 *
 * TTestSite serves registered paths (query strings are ignored) and, on request, paths that
 * never finish: they send the headers and a first part of the body, then hold the connection
 * until Release() or Stop(). TGarbageServer answers every connection with bytes that are not
 * HTTP. Both may be used from any thread; Stop() is called by the destructors.
 */

#include <QByteArray>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace httplib { class Server; }

class TTestSite
{
public:
    TTestSite();
    ~TTestSite();
    TTestSite(const TTestSite&) = delete;
    TTestSite& operator=(const TTestSite&) = delete;

    /** Serves body with the given type at path ("/a.html"); replaces an earlier one. */
    void Add(const QString& path, const QByteArray& body, const QString& contentType);
    /** An HTML page. */
    void AddPage(const QString& path, const QString& html);
    /** A path that sends head of its body and then never finishes until Release or Stop. */
    void AddHanging(const QString& path, const QByteArray& head, const QString& contentType);

    /** Binds 127.0.0.1 at a free port and starts serving; false when that fails. */
    bool Start();
    /** Lets every hanging response end (the connection is dropped) and stops serving. */
    void Stop();
    /** Lets the hanging responses end; new requests to those paths hang again. */
    void Release();

    int Port() const { return m_port; }
    /** "http://127.0.0.1:" + port + path. */
    QString Url(const QString& path) const;
    /** How many requests reached path so far. */
    int Hits(const QString& path) const;

private:
    struct TEntry
    {
        QByteArray body;
        std::string type;
        bool hanging = false;
    };

    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;
    mutable std::mutex m_mutex;
    std::condition_variable m_released;
    std::map<std::string, TEntry> m_entries;
    std::map<std::string, int> m_hits;
    quint64 m_releaseGeneration = 0;
    bool m_stopping = false;
};

/** Answers each connection on 127.0.0.1 with a fixed block of non-HTTP bytes, then closes it. */
class TGarbageServer
{
public:
    TGarbageServer() = default;
    ~TGarbageServer();
    bool Start();
    void Stop();
    int Port() const { return m_port; }
    QString Url(const QString& path) const;

private:
    std::thread m_thread;
    std::atomic<bool> m_stopping{false};
    int m_listenFd = -1;
    int m_port = 0;
};

/** A port on 127.0.0.1 on which nothing listens (it was free a moment ago). */
int UnusedLoopbackPort();

/** A w x h JPEG (quality 90) with a colour gradient, drawn with QImage. */
QByteArray MakeJpeg(int width, int height);
/** A w x h 24-bit BMP, drawn with QImage. */
QByteArray MakeBmp(int width, int height);
/** A w x h GIF with a 4-colour palette (QImage draws, giflib encodes: Qt writes no GIF). */
QByteArray MakeGif(int width, int height);
/** size bytes of a fixed pseudo-random sequence; the same seed gives the same bytes. */
QByteArray MakeBytes(int size, unsigned seed);
