#pragma once
/**
 * Loopback web servers for the tests and the whole-program benchmarks, served on 127.0.0.1 at
 * a free port from background threads.
 *
 * TTestSite (cpp-httplib) serves registered paths (query strings are ignored): fixed answers
 * (pages, files, redirects, extra response headers), paths that never finish, and handlers
 * over path patterns for answers that depend on the request. It counts the requests of every
 * path and keeps the headers of the last one. TRawServer speaks plain TCP for what an HTTP
 * library will not do: answering garbage, dropping the connection mid-body, stalling, or
 * recording the request exactly as sent. Both may be used from any thread; the destructors stop
 * them.
 */

#include <QByteArray>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace httplib { class Server; }

using TTestHeaders = std::vector<std::pair<std::string, std::string>>;

/** A request as a handler of TTestSite sees it. */
struct TTestRequest
{
    std::string Path;
    std::vector<std::string> Matches; // [0] the whole path, then the pattern's groups
    TTestHeaders Headers;
    /** The value of a header (name in any case); "" when absent. */
    std::string Header(const std::string& name) const;
};

/** What a handler of TTestSite answers. */
struct TTestResponse
{
    int Status = 200;
    std::string Body;
    std::string Type = "text/plain";
    TTestHeaders Headers;
};

using TTestHandler = std::function<void(const TTestRequest&, TTestResponse&)>;

class TTestSite
{
public:
    TTestSite();
    virtual ~TTestSite();
    TTestSite(const TTestSite&) = delete;
    TTestSite& operator=(const TTestSite&) = delete;

    /** Serves body with the given type and extra headers at path ("/a.html"); replaces an
     *  earlier one. */
    void Add(const QString& path, const QByteArray& body, const QString& contentType,
             const TTestHeaders& headers = {});
    /** An HTML page. */
    void AddPage(const QString& path, const QString& html);
    /** A "302 Found" to another location. */
    void AddRedirect(const QString& path, const QString& to);
    /**
     * A path that sends the headers and head of its body and then never finishes until Release
     * or Stop. With an empty head not even the headers go out: the server stays silent.
     */
    void AddHanging(const QString& path, const QByteArray& head, const QString& contentType);
    /**
     * Answers every path the regular expression pattern matches in whole with handler, called
     * on a server thread. Fixed paths come first; patterns are tried in the order added.
     */
    void AddHandler(const std::string& pattern, TTestHandler handler);
    /** "/setcookie" sets the session cookie "session=abc; Path=/"; "/echocookie" is a page (the
     *  Cookie header it got is read with LastRequestHeader). */
    void AddCookiePages();

    /** Binds 127.0.0.1 at a free port and starts serving; false when that fails. */
    bool Start();
    /** Lets every hanging response end (the connection is dropped) and stops serving. */
    void Stop();
    /** Lets the hanging responses end; new requests to those paths hang again. */
    void Release();

    int Port() const { return m_port; }
    /** "http://127.0.0.1:" + port + path. */
    QString Url(const QString& path) const;
    /** How many requests reached path so far (answered or not). */
    int Hits(const QString& path) const;
    /** How many requests reached the site so far. */
    int TotalHits() const;
    /** The headers of the last request to path, in name order, without the connection's
     *  addresses that the server library adds. */
    TTestHeaders LastRequestHeaders(const QString& path) const;
    /** One header (name in any case) of the last request to path; "" when absent. */
    std::string LastRequestHeader(const QString& path, const std::string& name) const;

private:
    struct TEntry
    {
        QByteArray body;
        std::string type;
        bool hanging = false;
        int status = 200;
        TTestHeaders headers;
    };
    struct TRoute;

    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;
    mutable std::mutex m_mutex;
    std::condition_variable m_released;
    std::map<std::string, TEntry> m_entries;
    std::vector<std::shared_ptr<const TRoute>> m_routes;
    std::map<std::string, int> m_hits;
    std::map<std::string, TTestHeaders> m_lastHeaders;
    quint64 m_releaseGeneration = 0;
    bool m_stopping = false;
};

/** A TCP server on 127.0.0.1 that reads one request per connection and then follows a script.
 *  It listens from construction on; Listening() is false when no port could be bound. */
class TRawServer
{
public:
    enum class Mode {
        Respond,      // sends Response and closes
        DropMidBody,  // announces 1000 bytes, sends 500 and closes
        Stall,        // announces 1000 bytes, sends 100 and then sends nothing until stopped
        Garbage,      // sends a block of bytes that are not HTTP and closes, also when the
                      // client sent no complete request within a second
    };
    explicit TRawServer(Mode mode, std::string response = {});
    ~TRawServer();
    TRawServer(const TRawServer&) = delete;
    TRawServer& operator=(const TRawServer&) = delete;

    bool Listening() const { return m_port > 0; }
    int Port() const { return m_port; }
    /** "http://127.0.0.1:" + port + path. */
    QString Url(const QString& path) const;
    /** The first line of the last request received ("" before any). */
    std::string RequestLine() const;
    /** The last request's line and headers as received, up to and including the blank line. */
    std::string Request() const;
    int Connections() const { return m_connections.load(); }

private:
    void Run();
    void Serve(int client);

    Mode m_mode;
    std::string m_response;
    int m_listen = -1;
    int m_stop[2] = {-1, -1};
    int m_port = 0;
    std::atomic<int> m_connections{0};
    mutable std::mutex m_mutex;
    std::string m_requestLine;
    std::string m_request;
    std::thread m_thread;
};

/** A port on 127.0.0.1 on which nothing listens (it was free a moment ago). */
int UnusedLoopbackPort();
