#pragma once

namespace pagemint {

/**
 * Prepares the process for Qt WebEngine. Call it first in main(), before the application object
 * exists: it switches the sandbox off (QTWEBENGINE_DISABLE_SANDBOX=1 unless already set), adds
 * the Chromium flags that keep the engine off the network on its own and off the GPU
 * (--disable-gpu --disable-background-networking --disable-component-update --disable-sync
 * --no-first-run) to QTWEBENGINE_CHROMIUM_FLAGS, lets Qt share OpenGL contexts and keeps
 * compiled shaders off the disk (no cache under the user's home).
 */
void PrepareWebEngineEnvironment();

} // namespace pagemint
