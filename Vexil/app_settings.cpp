// Settings of the program that the library reads, through a provider.
#include "vexil/app_settings.h"

namespace {
app_font_size_fn font_size_provider = nullptr;
}

void app_set_font_size_provider(app_font_size_fn fn) { font_size_provider = fn; }

int app_font_size(int which) {
    if (font_size_provider && (which == APP_FONT_OBJECT_LABEL || which == APP_FONT_TEXT))
        return font_size_provider(which);
    return 10;
}

float app_font_size_cm(int which) { return (float)(app_font_size(which) * 2.54 / 72); }
