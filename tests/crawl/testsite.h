#pragma once
// A small web site on 127.0.0.1 for the tests on the real engine, served by cpp-httplib on its
// own thread; pages are added before Start. A request to a "hanging" path is held until the
// site is stopped.

#include <httplib.h>

#include <QString>
#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>

class TTestSite
{
public:
    ~TTestSite() { Stop(); }

    void Page(const std::string& path, const std::string& html,
              const std::string& type = "text/html; charset=utf-8")
    {
        m_server.Get(path, [html, type](const httplib::Request&, httplib::Response& res) {
            res.set_content(html, type.c_str());
        });
    }
    void Redirect(const std::string& path, const std::string& to)
    {
        m_server.Get(path, [to](const httplib::Request&, httplib::Response& res) { res.set_redirect(to); });
    }
    /** A picture (a tiny GIF of width x height) whose requests are counted. */
    void Picture(const std::string& path)
    {
        m_server.Get(path, [this](const httplib::Request&, httplib::Response& res) {
            ++PictureRequests;
            static const unsigned char gif[] = {
                0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x03, 0x00, 0x02, 0x00, 0x80, 0x00, 0x00, 0xff, 0xff,
                0xff, 0x00, 0x00, 0x00, 0x21, 0xf9, 0x04, 0x01, 0x00, 0x00, 0x00, 0x00, 0x2c, 0x00, 0x00,
                0x00, 0x00, 0x03, 0x00, 0x02, 0x00, 0x00, 0x02, 0x02, 0x84, 0x51, 0x00, 0x3b};
            res.set_content(std::string(reinterpret_cast<const char*>(gif), sizeof gif), "image/gif");
        });
    }
    /** "/setcookie" sets a session cookie; "/echocookie" records the Cookie header it gets. */
    void Cookies()
    {
        m_server.Get("/setcookie", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Set-Cookie", "session=abc; Path=/");
            res.set_content("<body>logged on</body>", "text/html");
        });
        m_server.Get("/echocookie", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard lock(m_mutex);
            m_lastCookie = req.get_header_value("Cookie");
            res.set_content("<body>hello</body>", "text/html");
        });
    }
    std::string LastCookie()
    {
        std::lock_guard lock(m_mutex);
        return m_lastCookie;
    }
    void Hanging(const std::string& path)
    {
        m_server.Get(path, [this](const httplib::Request&, httplib::Response& res) {
            std::unique_lock lock(m_mutex);
            m_released.wait_for(lock, std::chrono::seconds(20), [this] { return m_stopping; });
            res.set_content("late", "text/html");
        });
    }
    /** Serves until Stop; false when no port could be bound. */
    bool Start()
    {
        m_port = m_server.bind_to_any_port("127.0.0.1");
        if (m_port <= 0)
            return false;
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running())
            std::this_thread::yield();
        return true;
    }
    void Stop()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_released.notify_all();
        if (m_thread.joinable()) {
            m_server.stop();
            m_thread.join();
        }
    }
    QString Url(const std::string& path) const
    {
        return QStringLiteral("http://127.0.0.1:%1").arg(m_port) + QString::fromStdString(path);
    }

    std::atomic<int> PictureRequests{0};

private:
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
    std::mutex m_mutex;
    std::condition_variable m_released;
    bool m_stopping = false;
    std::string m_lastCookie;
};
