// The few settings of the program that the diagram library reads. The
// program installs a provider; without one the defaults hold.
#pragma once

enum app_font_kind {
    APP_FONT_OBJECT_LABEL = 0,
    APP_FONT_TEXT = 1,
};

typedef int (*app_font_size_fn)(int which);

// Installs the font-size provider (null: the default of 10 points).
void app_set_font_size_provider(app_font_size_fn fn);
// Font size in points: 0 object labels, 1 Text objects; 10 otherwise or without provider.
int app_font_size(int which);
// The same in centimetres, as a single-precision value.
float app_font_size_cm(int which);
