#include "dbupdate/z5UserDbUpdate.h"

#include <stdexcept>

namespace kb {
namespace {

struct TUserStep {
    int Major, Minor1, Minor2, NeedBackup;
};

// Oldest first. The steps 0.2.0, 0.3.0, 0.3.2 and 0.4.0 change nothing that a backup would have
// to protect.
constexpr TUserStep kUserSteps[62] = {
    {0, 1, 1, 1},  {0, 1, 2, 1},  {0, 1, 3, 1},  {0, 1, 4, 1},   {0, 1, 5, 1},   {0, 2, 0, 0},  {0, 2, 1, 1},
    {0, 2, 2, 1},  {0, 3, 0, 0},  {0, 3, 1, 1},  {0, 3, 2, 0},   {0, 3, 3, 1},   {0, 3, 4, 1},  {0, 4, 0, 0},
    {0, 4, 1, 1},  {1, 0, 0, 1},  {1, 0, 1, 1},  {1, 0, 2, 1},   {1, 0, 3, 1},   {1, 0, 5, 1},  {2, 0, 0, 1},
    {2, 0, 4, 1},  {3, 0, 0, 1},  {3, 0, 1, 1},  {3, 0, 3, 1},   {3, 0, 4, 1},   {3, 0, 6, 1},  {3, 0, 7, 1},
    {4, 0, 0, 1},  {4, 0, 2, 1},  {5, 0, 0, 1},  {5, 0, 2, 1},   {5, 0, 5, 1},   {6, 0, 0, 1},  {6, 1, 0, 1},
    {6, 1, 3, 1},  {7, 0, 0, 1},  {7, 0, 2, 1},  {7, 0, 3, 1},   {7, 0, 4, 1},   {8, 0, 0, 1},  {8, 0, 2, 1},
    {8, 0, 3, 1},  {9, 0, 0, 1},  {9, 0, 1, 1},  {9, 0, 2, 1},   {9, 0, 3, 1},   {9, 0, 4, 1},  {9, 0, 5, 1},
    {10, 0, 0, 1}, {10, 0, 1, 1}, {10, 0, 3, 1}, {10, 0, 4, 1},  {10, 0, 5, 1},  {11, 0, 0, 1}, {11, 0, 1, 1},
    {11, 1, 0, 1}, {12, 0, 0, 1}, {13, 0, 0, 1}, {13, 0, 3, 1},  {14, 0, 0, 1},  {15, 0, 0, 1},
};

} // namespace

TArrayDbUpdateListRec RegisterUserDbUpdates()
{
    TArrayDbUpdateListRec list(62);
    for (int i = 0; i < 62; ++i) {
        const TUserStep& s = kUserSteps[i];
        TDbUpdateListRec& r = list[i];
        r.Major = s.Major;
        r.Minor1 = s.Minor1;
        r.Minor2 = s.Minor2;
        r.NeedBackup = s.NeedBackup;
        const std::string version = VersionText(s.Major, s.Minor1, s.Minor2);
        r.ExecProc = [version]() -> int {
            throw std::logic_error("会計データの更新(Ver " + version + ")はこのプログラムでは実行できません。");
        };
    }
    return list;
}

} // namespace kb
