// Times the snapshot script on a page of 20 000 links in the real engine (offscreen), served on
// 127.0.0.1. Prints the load time and the time of each Document() call.
#include "crawl/webengine/webenginebrowser.h"
#include "crawl/webengine/webengineenvironment.h"
#include "host/eventpump.h"

#include <httplib.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <thread>
#include <vector>

using namespace pagemint;

int main(int argc, char** argv)
{
    PrepareWebEngineEnvironment();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int links = argc > 1 ? std::atoi(argv[1]) : 20'000;

    std::string html = "<html><body><p>A page of many links</p>\n";
    for (int i = 0; i < links; ++i)
        html += "<a href=\"/dir/page" + std::to_string(i) + ".html\">Page " + std::to_string(i) + "</a><br>\n";
    html += "</body></html>";
    httplib::Server server;
    server.Get("/many.html", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(html, "text/html");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread serving([&] { server.listen_after_bind(); });

    int status = 0;
    {
        TWebEngineBrowser browser(QString{});
        TEventLoopPump host;
        QElapsedTimer timer;
        timer.start();
        browser.Navigate(QStringLiteral("http://127.0.0.1:%1/many.html").arg(port));
        while (browser.ReadyState() != 4 && timer.elapsed() < 60'000)
            host.ProcessMessages();
        std::printf("page of %d links (%zu bytes) loaded in %lld ms\n", links, html.size(),
                    static_cast<long long>(timer.elapsed()));
        std::vector<qint64> times;
        for (int run = 0; run < 7; ++run) {
            timer.restart();
            const auto doc = browser.Document();
            times.push_back(timer.elapsed());
            if (!doc || doc->links.size() != links) {
                std::printf("snapshot incomplete: %lld links\n", doc ? static_cast<long long>(doc->links.size()) : -1LL);
                status = 1;
                break;
            }
        }
        for (qint64 t : times)
            std::printf("Document(): %lld ms\n", static_cast<long long>(t));
        std::sort(times.begin(), times.end());
        if (!times.empty())
            std::printf("median Document(): %lld ms\n", static_cast<long long>(times[times.size() / 2]));
    }
    server.stop();
    serving.join();
    return status;
}
