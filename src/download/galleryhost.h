#pragma once

/**
 * What the gallery needs of the program that shows it. Every operation does nothing by
 * default, so a front end without a window (the batch runner) can use this class as it is.
 * UI thread.
 */
class TGalleryHost
{
public:
    virtual ~TGalleryHost() = default;
    /** Shows (true) or restores (false) the busy cursor: shown while a rebuild has nothing to
     *  show yet. */
    virtual void SetBusy(bool) {}
    /** The summary panel's progress bar: shown with a value, or hidden. */
    virtual void SetRebuildProgress(bool /*visible*/, int /*percent*/) {}
};
