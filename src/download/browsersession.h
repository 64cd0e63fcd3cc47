#pragma once
/**
 * What the download side takes over from the embedded browser so that its requests go out as
 * the browser's would: the profile's cookies and its user agent. Implemented next to the browser
 * engine; the core sees only this.
 */

#include "download/cookiejar.h"

#include <QString>
#include <memory>

class TBrowserSession
{
public:
    virtual ~TBrowserSession() = default;

    /** The jar that mirrors the browser profile's cookie store, kept up to date as the browser
     *  sets and drops cookies. Never null; any thread may read it (TCookieJar is thread-safe) and
     *  may keep it after the session is gone. */
    virtual std::shared_ptr<const TCookieJar> CookieJar() const = 0;
    /** The user agent the browser sends. User-interface thread. */
    virtual QString UserAgent() const = 0;
};
