#pragma once
// The loopback site of the download worker tests: a TTestSite started at once with the routes
// those tests need.

#include "testsite.h"

#include <string>
#include <vector>

/** Routes: /ok.bin (the body of Body()), /404, /500, /302 (to /ok.bin), /basic and /digest
 *  (user "user", password "pass"), /basic-password-only (no user, password "pass"), /headers
 *  (the tests read its request headers), "/a b.jpg", /flaky/<name> (503 with "Retry-After: 0"
 *  for the first two requests of each name, then Body()), /busy/<seconds> (always 503 with
 *  "Retry-After: <seconds>"). */
class TDownloadTestSite : public TTestSite
{
public:
    TDownloadTestSite();
    static const std::string& Body();

    /** The Authorization header of every request to the three logon paths, "" when absent. */
    std::vector<std::string> Authorizations() const;
    /** A request header of the last request to /headers. */
    std::string LastHeader(const std::string& name) const;
    /** Every request header of the last request to /headers, in name order, without the
     *  connection's addresses that the server library adds. */
    TTestHeaders LastHeaders() const;

private:
    void RecordAuthorization(const TTestRequest& request);

    mutable std::mutex m_authorizationMutex;
    std::vector<std::string> m_authorizations;
};
