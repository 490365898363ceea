#include "net/RecordReply.h"

#include "net/WireFields.h"

namespace pimra::net {

nlohmann::json EncodeRecordReply(const RecordReply& reply) {
    return SuccessReply(reply);
}

RecordReply DecodeRecordReply(const Reply& reply) {
    return FieldsFromObject<RecordReply>(reply);
}

}  // namespace pimra::net
