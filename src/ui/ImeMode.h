#pragma once
// The input-method modes a control asks for. Linux input methods cannot be switched by a program,
// so the value is kept and reported, and only decides which characters a control accepts.

namespace kb {

enum class TImeMode { imDisable, imClose, imOpen, imDontCare, imSAlpha, imAlpha, imHira, imSKata, imKata,
                      imChinese, imSHanguel, imHanguel };

} // namespace kb
