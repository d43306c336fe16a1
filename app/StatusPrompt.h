#pragma once
// Fitting a command prompt into the status bar's message pane: cut only
// between words, never inside one.
#include <QString>

#include <functional>

namespace brisvander {

// `text` itself when it fits into `width`; else its longest start that ends
// before a blank and, followed by "…", fits. A first word too wide for
// `width` is given with "…" all the same, a text of one word as it is (the
// pane clips them). `measure`
// gives a text's width in the units of `width`.
QString ElideAtWordBoundary(const QString& text, int width, const std::function<int(const QString&)>& measure);

} // namespace brisvander
