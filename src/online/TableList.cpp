#include "online/TableList.h"

#include "net/TableListReply.h"

namespace pimra::online {

std::vector<TableRow> ParseTableList(const Reply& reply) {
    std::vector<TableRow> rows;
    for (const net::ListedTable& table : net::DecodeTableList(reply).tables) {
        rows.push_back({table.ind, FirstCharacters(table.login1, kListLoginLength),
                        FirstCharacters(table.login2, kListLoginLength), table.bonus,
                        table.timeLimit});
    }
    return rows;
}

std::string FirstCharacters(const std::string& utf8, std::size_t count) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const bool startsCharacter = (static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80;
        if (startsCharacter && characters++ == count) {
            return utf8.substr(0, i);
        }
    }
    return utf8;
}

std::string STime(const TableRow& row) {
    const std::string bonus = row.bonus ? std::to_string(*row.bonus) : std::string();
    return std::to_string(row.TimeLimit() / 60) + " мин. + " + bonus + " сек. ";
}

Rgb RowColour(const TableRow& row) {
    if (row.login2.empty()) {
        return {224, 251, 221};
    }
    return {255, 217, 217};
}

}  // namespace pimra::online
