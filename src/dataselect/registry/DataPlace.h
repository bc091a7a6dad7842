#pragma once
// The data places of the server modes: up to 100 named folders on the database server, each with
// its own slots of the data-set registry (place 0 in DATALIST, the others in DATALIST_EX with their
// DATAPLACEREC). TDataPlaceIO reads and writes DATAPLACEMAN and tests folders on the server; the
// dialog TDataPlaceBox (z5DataPlace) and the data selection's place combo show it.
//
// Every routine starts the system database's default transaction only when none is active and ends
// only what it started; every value is a bound parameter.

#include <string>
#include <vector>

namespace kb {

class TDM;

struct TDataPlaceRec {
    int REC = 0;
    int State = 0;  // 0 unchanged, 1 named for the first time, 2 name changed or moved, 9 deleted
    int ORDERKBN = 0;
    std::string PATH;
    std::string NAME;
    std::string Spare;
};
using TDataPlaceList = std::vector<TDataPlaceRec>;

inline constexpr int kDataPlaceCount = 100;
inline constexpr const char* kStandardPlaceName = "標準の場所";

// The name place 0 is seeded with: the system folder, or "標準の場所" when the folder does not fit
// the 40 bytes of DATAPLACEMAN.NAME.
std::string SeedPlaceName(const std::string& sysDir);
// The folder of place i (1..99): the system folder directly followed by "%.2d" of i.
std::string SeedPlacePath(const std::string& sysDir, int i);

class TDataPlaceIO {
public:
    explicit TDataPlaceIO(TDM& dm);

    TDataPlaceList Places;
    int ConnectMode = 0;  // the mode the server folders are tested in (the process's at creation)

    // Seeds the table when it is empty, then loads all places or only the named ones (in ORDERKBN
    // order), states 0. False on any error (reported; a transaction it started is rolled back).
    bool LoadPlaceList(bool namedOnly);
    // The named places' names, each followed by "\r" (the place combo's items).
    std::string GetPlaceNames();
    int GetPlaceRec(int index) const;
    std::string GetPlacePath(int index) const;
    int IndexOfPlaceRec(int rec) const;
    // Reads the table when the place is not loaded.
    std::string GetPlacePathByRec(int rec);
    // Writes every place whose state is above 0 in one transaction; a first naming creates the
    // place's slots (SP_DATALIST_INSERT), a deletion removes them. States are reset after the
    // commit; an error rolls back and reaches the caller as an exception.
    void SavePlaces();
    // True when one slot folder of the place exists on the server, and on any database error.
    bool PlaceHasData(int rec);

private:
    void SeedWhenEmpty();
    TDM& dm_;
};

} // namespace kb
