// Start and exit of the diagram library.
#include <libxml/xmlversion.h>

#include <cstdio>

#include "vexil/message.h"
#include "vexil/object.h"
#include "vexil/renderer.h"
#include "vexil_internal.h"

namespace {
bool app_exit_once = false;
bool app_started = false;
}  // namespace

int vexil_startup() {
    if (app_started) return 1;
    // The library's own check of the libxml2 it runs with (reported by libxml2).
    xmlCheckVersion(20410);
    type_registry_init();
    register_standard_types();
    if (!type_registry_find("Text")) {
        const char* text =
            "Couldn't find standard objects when looking for object-libs, exiting...\n";
        message_error("%s", text);
        fputs(text, stderr);
        return 0;
    }
    app_started = true;
    app_exit_once = false;
    return 1;
}

void vexil_shutdown() {
    if (app_exit_once) {
        g_log(nullptr, G_LOG_LEVEL_CRITICAL, "file %s: line %d: assertion `%s' failed",
              "Vexil/app_procs", 82, "!app_exit_once");
        return;
    }
    app_exit_once = true;
    app_started = false;
    renderer_free_dummy();
    type_registry_free();
}

int vexil_running() { return app_started ? 1 : 0; }
