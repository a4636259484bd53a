#include "main_window_views.h"

#include "precondition.h"

namespace {

MainWindowViews* g_views = nullptr;

} // namespace

MainWindowViews& mainWindowViews() {
    require(g_views != nullptr, "views_ != 0", "form\\main_window_views", __LINE__);
    return *g_views;
}

void setMainWindowViews(MainWindowViews* views) { g_views = views; }
