#pragma once
// The viewer's cursors: open and grabbing hands, a dashed cross-hair and a four-way
// arrow made from 32 x 32 masks, and the platform's sizing cursors.
#include <QCursor>

#include "imaging/view/view_selection.h"

namespace lumora {

QCursor ViewerCursor(TViewerCursor which);

}  // namespace lumora
