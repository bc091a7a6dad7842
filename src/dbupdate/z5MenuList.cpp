#include "dbupdate/z5MenuList.h"

#include "core/uAccRecord.h"

#include <iterator>

namespace kb {
namespace {

struct TMenuSlot {
    int PageNo;
    int MenuNo;
    const char* ProcId; // "" = the slot is empty (in an override)
    const char* Option;
};

// The non-empty slots of the general table (pages 1 to 10); every other slot is empty.
constexpr TMenuSlot kGeneral[] = {
    {1, 0, "SzSiwake", "SyoriType=1"}, {1, 1, "SzSiwake", "SyoriType=0"}, {1, 2, "SzMonitor", ""},
    {1, 3, "SzMotocho", "SyoriType=0"}, {1, 4, "SzSisanhyo", ""}, {1, 5, "SzNippou", ""}, {1, 10, "SzDataGassan", ""},
    {2, 0, "SzHojinKessansyo", ""}, {2, 1, "SzCashFlow", ""}, {2, 2, "SzIkkatuPrint", ""}, {2, 3, "SzGaikyosyo", ""},
    {2, 5, "SzKojinKessansyo", ""}, {2, 6, "SzGenkaSyokyaku", ""}, {2, 7, "SzTouzaChoseihyo", "SyoriType=0"},
    {2, 10, "SzNendoKousin", ""}, {2, 11, "SzKurikosiChosei", ""}, {2, 14, "SzIkkatuZeinuki", ""},
    {2, 15, "SzDensiChoubo", ""},
    {3, 0, "SzTaxKazeiSet", ""}, {3, 1, "SzTaxSinkokusyo", ""}, {3, 2, "SzTaxUtiwakesyo", ""},
    {3, 3, "SzTaxSyukeihyo", ""}, {3, 4, "SzTaxSisanhyo", ""}, {3, 5, "SzTaxSinkokusyoSyusei", ""},
    {4, 0, "SzSimulation", ""}, {4, 1, "SzGetujiHikakuGraph", ""}, {4, 2, "SzSankiHikakuGraph", ""},
    {4, 3, "SzSankiKamokuGraph", ""}, {4, 4, "SzKeieiBunseki", ""}, {4, 5, "SzSogoHikakuPL", ""},
    {4, 6, "SzYojitutaihi", ""}, {4, 7, "SzYosoku", ""}, {4, 8, "SzGetujiHikaku", ""}, {4, 9, "SzSankiHikaku", ""},
    {4, 10, "SzBumonHikakuBL", ""}, {4, 11, "SzSikinguri", ""}, {4, 12, "SzSitenHikakuBL", ""},
    {4, 17, "SzKanendoZan", ""}, {4, 18, "SzYosan", ""}, {4, 19, "SzZenkamoku2", ""},
    {5, 0, "SzKihon2", ""}, {5, 1, "SzBumon2", ""}, {5, 2, "SzKamoku2", ""}, {5, 3, "SzKaisizan2", ""},
    {5, 4, "SzBumKaisizan2", ""}, {5, 5, "SzSitenGroup", ""}, {5, 15, "SzCodeHenkou", ""},
    {6, 0, "SzCodeTaikei", ""}, {6, 1, "SzOperator", ""}, {6, 5, "SzSiwakeText", "SyoriType=2"},
    {6, 6, "SzSiwakeText", "SyoriType=1"}, {6, 7, "SzSiwakeText", "SyoriType=0"}, {6, 10, "SzSiwakeJisyoCP", ""},
    {6, 11, "SzSiwakeJisyoEx", "SyoriType=0"}, {6, 12, "SzSiwakeJisyoEx", "SyoriType=1"}, {6, 13, "SzBookmarkSet", ""},
    {6, 15, "SzSiwakeSyufuku", ""}, {6, 19, "SzChouboSet", ""},
    {7, 0, "SzUtiwake01", ""}, {7, 1, "SzUtiwake02", ""}, {7, 2, "SzUtiwake03", ""}, {7, 3, "SzUtiwake04", ""},
    {7, 4, "SzUtiwake05", ""}, {7, 5, "SzUtiwake06", ""}, {7, 6, "SzUtiwake07", ""}, {7, 7, "SzUtiwake08", ""},
    {7, 8, "SzUtiwake09", ""}, {7, 9, "SzUtiwake10", ""}, {7, 10, "SzUtiwake11", ""}, {7, 11, "SzUtiwake12", ""},
    {7, 12, "SzUtiwake13", ""}, {7, 13, "SzUtiwake14", ""}, {7, 14, "SzUtiwake15", ""}, {7, 15, "SzUtiwake16", ""},
    {7, 16, "SzUtiwake17", ""}, {7, 19, "SzUtiwakeAll", ""},
    {8, 0, "SzDataTusin", "SyoriType=1"}, {8, 1, "SzDataTusin", "SyoriType=2"}, {8, 2, "SzTusinSettei", "SyoriType=1"},
    {8, 5, "SzQivHozn", "SyoriType=1"}, {8, 6, "SzQivHozn", "SyoriType=2"}, {8, 10, "SzDataTusin", "SyoriType=3"},
    {8, 11, "SzDataTusin", "SyoriType=4"}, {8, 12, "SzTusinSettei", "SyoriType=2"},
    {8, 13, "SzDataTusin", "SyoriType=8"}, {8, 14, "SzDataTusin", "SyoriType=5"},
    {9, 0, "SzKansa", ""}, {9, 1, "SzOASettei", ""}, {9, 2, "SzAoInfo", ""}, {9, 3, "SzAzimoMenuCtl", ""},
    {9, 4, "SzAoProMenu", ""},
    {10, 0, "SzAzimo1", ""}, {10, 1, "SzAzimo_HendouSoneki", ""}, {10, 10, "SzHikakuSuiihyo", ""},
};

// Where the medical-corporation table differs from the general one in pages 1 to 10.
constexpr TMenuSlot kMedicalOverrides[] = {
    {2, 0, "SzMBKessansyo", ""}, {2, 1, "SzMBKessansyoSisetsu", ""}, {2, 2, "SzMBHokukuJigyo", ""},
    {2, 3, "SzMBHokukuZaisan", ""}, {2, 4, "SzMBHokukuKansa", ""}, {2, 5, "SzCashFlow", ""},
    {2, 6, "SzIkkatuPrint", ""}, {2, 7, "SzGaikyosyo", ""}, {2, 8, "SzGenkaSyokyaku", ""},
    {2, 9, "SzTouzaChoseihyo", "SyoriType=0"},
    {4, 4, "SzKeieiBunseki2", ""}, {4, 7, "SzYosoku2", ""}, {4, 18, "SzYosan2", ""},
    {5, 2, "SzMBKamoku2", ""},
    {10, 0, "", ""}, {10, 1, "", ""},
};

// Pages 11 and 12, which only the medical-corporation table has.
constexpr TMenuSlot kMedicalExtra[] = {
    {11, 0, "SzFuzokuKikan", ""}, {11, 1, "SzFuzokuM01", ""}, {11, 2, "SzFuzokuM02", ""}, {11, 3, "SzFuzokuM03", ""},
    {11, 4, "SzFuzokuM04", ""}, {11, 5, "SzFuzokuM05", ""}, {11, 6, "SzFuzokuM06", ""}, {11, 7, "SzFuzokuM07", ""},
    {11, 8, "SzFuzokuM08", ""}, {11, 9, "SzFuzokuM09", ""}, {11, 10, "SzFuzokuR01", ""}, {11, 11, "SzFuzokuR02", ""},
    {11, 12, "SzFuzokuR03", ""}, {11, 13, "SzFuzokuR04", ""}, {11, 14, "SzFuzokuR05", ""}, {11, 19, "SzFuzokuIkkatu", ""},
    {12, 0, "SzGenkaHaifuSettei", ""}, {12, 1, "SzGenkaKeisan01", ""}, {12, 2, "SzGenkaKeisan02", ""},
    {12, 3, "SzGenkaKeisan03", ""}, {12, 4, "SzGenkaKeisan04", ""}, {12, 5, "SzGenkaKeisan05", ""},
    {12, 6, "SzGenkaKeisan06", ""}, {12, 7, "SzGenkaKeisan07", ""}, {12, 8, "SzGenkaKeisan08", ""},
    {12, 9, "SzGenkaKeisan09", ""}, {12, 10, "SzGenkaKeisan10", ""}, {12, 11, "SzGenkaKeisan11", ""},
};

template <std::size_t N>
const TMenuSlot* Find(const TMenuSlot (&table)[N], int page, int slot)
{
    for (const TMenuSlot& s : table)
        if (s.PageNo == page && s.MenuNo == slot) return &s;
    return nullptr;
}

} // namespace

void GetProcIdFromMenuNo(int level, int pageNo, int menuNo, std::string& procId, std::string& optionLine,
                         std::string& procIdCopy)
{
    procId.clear();
    optionLine.clear();
    const TMenuSlot* hit = nullptr;
    if (level <= 1000) {
        if (pageNo >= 1 && pageNo <= 10) hit = Find(kGeneral, pageNo, menuNo);
    } else if (pageNo >= 1 && pageNo <= 10) {
        hit = Find(kMedicalOverrides, pageNo, menuNo);
        if (!hit) hit = Find(kGeneral, pageNo, menuNo);
    } else {
        hit = Find(kMedicalExtra, pageNo, menuNo);
    }
    if (hit) {
        procId = hit->ProcId;
        optionLine = hit->Option;
    }
    if (level <= 1000 && OemFlag != 0 && pageNo == 1) {
        if (menuNo == 15) {
            procId = "SzVellmarkSiwake";
            optionLine = "SyoriType=1";
        } else if (menuNo == 17 || menuNo == 18 || menuNo == 19) {
            procId = menuNo == 17 ? "SzKobetuIchiranhyo" : menuNo == 18 ? "SzKobetuMeisaihyo" : "SzKobetuMotocho";
            optionLine.clear();
        }
    }
    procIdCopy = procId;
}

} // namespace kb
