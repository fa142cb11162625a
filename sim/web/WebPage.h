#pragma once
// The web view's page: sim/web/page/view.html with view.css and view.js
// put in its place, compiled in (the build writes WebPage.cpp).
namespace sim::web {
extern const char kViewPage[];
}
