#pragma once

// The server's replies as they stood before the table codec, taken from a scripted game:
// "Анна" and "bob" at table 1 (300 s + 5 s), a rematch at table 2, and a 60 s game at table 3
// that seat 2 loses on time. The codec must write and read exactly these texts; the draw offers
// and the chat came later.

namespace pimra::test::captured {

inline constexpr const char* kEmptyList = R"({"response":"Success","tables":[]})";
inline constexpr const char* kWaitingTable =
    R"({"activelogin":"","away1":"0","away2":"0","chat":[],"drawoffer1":"0","drawoffer2":"0","finish":"","isready1":"0","isready2":"0","lastrecord":"0","login1":"Анна","login2":"","nexttable":"","position":"6|6|6|6|6|6|0|6|6|6|6|6|6|0","rating1":"1500","rating2":"","rematch1":"0","rematch2":"0","response":"Success","result":"0","time1":"300","time2":"300"})";
inline constexpr const char* kOneReady =
    R"({"activelogin":"","away1":"0","away2":"0","chat":[],"drawoffer1":"0","drawoffer2":"0","finish":"","isready1":"1","isready2":"0","lastrecord":"0","login1":"Анна","login2":"bob","nexttable":"","position":"6|6|6|6|6|6|0|6|6|6|6|6|6|0","rating1":"1500","rating2":"1500","rematch1":"0","rematch2":"0","response":"Success","result":"0","time1":"300","time2":"300"})";
inline constexpr const char* kPlaying =
    R"({"activelogin":"Анна","away1":"0","away2":"0","chat":[],"drawoffer1":"0","drawoffer2":"0","finish":"","isready1":"1","isready2":"1","lastrecord":"1","login1":"Анна","login2":"bob","nexttable":"","position":"0|7|7|7|7|7|1|6|6|6|6|6|6|0","rating1":"1500","rating2":"1500","rematch1":"0","rematch2":"0","response":"Success","result":"0","time1":"298","time2":"300"})";
inline constexpr const char* kList =
    R"({"response":"Success","tables":[{"bonus":"5","ind":"1","login1":"Анна","login2":"bob","rating1":"1500","rating2":"1500","timelimit":"300"}]})";
inline constexpr const char* kRecord = R"({"ind":"1","move":"1","response":"Success"})";
inline constexpr const char* kNoRecord = R"({"ind":"1","move":"","response":"Success"})";
inline constexpr const char* kAway =
    R"({"activelogin":"Анна","away1":"1","away2":"1","chat":[],"drawoffer1":"0","drawoffer2":"0","finish":"","isready1":"1","isready2":"1","lastrecord":"1","login1":"Анна","login2":"bob","nexttable":"","position":"0|7|7|7|7|7|1|6|6|6|6|6|6|0","rating1":"1500","rating2":"1500","rematch1":"0","rematch2":"0","response":"Success","result":"0","time1":"258","time2":"300"})";
inline constexpr const char* kFinished =
    R"({"activelogin":"","away1":"0","away2":"0","chat":[],"drawoffer1":"0","drawoffer2":"0","finish":"moves","isready1":"1","isready2":"1","lastrecord":"28","login1":"Анна","login2":"bob","nexttable":"","position":"0|0|0|0|0|0|51|0|0|0|0|0|0|21","rating1":"1662","rating2":"1338","rematch1":"0","rematch2":"0","response":"Success","result":"1","time1":"309","time2":"352"})";
inline constexpr const char* kRematchAsked =
    R"({"activelogin":"","away1":"0","away2":"0","chat":[],"drawoffer1":"0","drawoffer2":"0","finish":"moves","isready1":"1","isready2":"1","lastrecord":"28","login1":"Анна","login2":"bob","nexttable":"","position":"0|0|0|0|0|0|51|0|0|0|0|0|0|21","rating1":"1662","rating2":"1338","rematch1":"0","rematch2":"1","response":"Success","result":"1","time1":"309","time2":"352"})";
inline constexpr const char* kRematched =
    R"({"activelogin":"","away1":"0","away2":"0","chat":[],"drawoffer1":"0","drawoffer2":"0","finish":"moves","isready1":"1","isready2":"1","lastrecord":"28","login1":"Анна","login2":"bob","nexttable":"2","position":"0|0|0|0|0|0|51|0|0|0|0|0|0|21","rating1":"1662","rating2":"1338","rematch1":"1","rematch2":"1","response":"Success","result":"1","time1":"309","time2":"352"})";
inline constexpr const char* kLostOnTime =
    R"({"activelogin":"","away1":"1","away2":"1","chat":[],"drawoffer1":"0","drawoffer2":"0","finish":"time","isready1":"1","isready2":"1","lastrecord":"1","login1":"Анна","login2":"bob","nexttable":"","position":"6|6|0|7|7|7|1|7|7|6|6|6|6|0","rating1":"1662","rating2":"1338","rematch1":"0","rematch2":"0","response":"Success","result":"1","time1":"60","time2":"0"})";
inline constexpr const char* kListAfter =
    R"({"response":"Success","tables":[{"bonus":"5","ind":"2","login1":"bob","login2":"Анна","rating1":"1338","rating2":"1662","timelimit":"300"},{"bonus":"0","ind":"3","login1":"Анна","login2":"bob","rating1":"1662","rating2":"1338","timelimit":"60"},{"bonus":"5","ind":"1","login1":"Анна","login2":"bob","rating1":"1662","rating2":"1338","timelimit":"300"}]})";

}  // namespace pimra::test::captured
