#include "net/TableListReply.h"

#include "net/WireFields.h"

namespace pimra::net {

nlohmann::json EncodeTableList(const TableListReply& reply) {
    nlohmann::json tables = nlohmann::json::array();
    for (const ListedTable& table : reply.tables) tables.push_back(FieldsToObject(table));
    return nlohmann::json{{"response", "Success"}, {"tables", std::move(tables)}};
}

TableListReply DecodeTableList(const Reply& reply) {
    TableListReply list;
    if (!reply.is_object()) return list;
    const auto tables = reply.find("tables");
    if (tables == reply.end() || !tables->is_array()) return list;
    for (const Reply& table : *tables) {
        if (table.is_object()) list.tables.push_back(FieldsFromObject<ListedTable>(table));
    }
    return list;
}

}  // namespace pimra::net
