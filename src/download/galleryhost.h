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
    /** Shows (true) or restores (false) the busy cursor. */
    virtual void SetBusy(bool) {}
    /** Enables or disables the main window while the gallery is rebuilt. */
    virtual void SetWindowEnabled(bool) {}
    /** The summary panel's progress bar: shown with a value, or hidden. */
    virtual void SetRebuildProgress(bool /*visible*/, int /*percent*/) {}
    /** Resumes (true) or suspends (false) repainting of the "Images" list. */
    virtual void SetImagesRepaint(bool) {}
    /** Lets pending user-interface events run once. */
    virtual void ProcessEvents() {}
};
