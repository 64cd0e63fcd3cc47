#pragma once
// The browser's session as the download tests give it: a cookie jar the test fills and a
// User-Agent of its choosing.

#include "download/browsersession.h"

#include <QString>
#include <memory>
#include <utility>

class TFakeBrowserSession : public TBrowserSession
{
public:
    explicit TFakeBrowserSession(QString userAgent) : Agent(std::move(userAgent)) {}

    std::shared_ptr<const TCookieJar> CookieJar() const override { return Jar; }
    QString UserAgent() const override { return Agent; }

    QString Agent;
    std::shared_ptr<TCookieJar> Jar = std::make_shared<TCookieJar>();
};
