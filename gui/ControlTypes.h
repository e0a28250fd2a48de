// Small value types shared by the controls: text alignment and docking side.
#pragma once

namespace gui {

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };

} // namespace gui
