#pragma once

#include "download/downloadjob.h"

/**
 * The scheduler's way of starting a worker. The download pool implements it for real
 * transfers; tests give a fake that only records the jobs. UI thread.
 */
class TDownloadStarter
{
public:
    virtual ~TDownloadStarter() = default;
    /** Starts one worker for the job. Throws when it could not be started; then nothing runs. */
    virtual void StartDownload(const TDownloadJob& job) = 0;
};
