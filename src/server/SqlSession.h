#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "StoreStatements.h"

namespace pimra::server {

using SqlValue = std::variant<std::int64_t, double, std::string>;
using SqlParams = std::vector<SqlValue>;

// One row of a result; columns count from 0.
class SqlRow {
  public:
    virtual ~SqlRow() = default;
    virtual bool isNull(int column) const = 0;
    virtual std::int64_t integer(int column) const = 0;
    virtual double real(int column) const = 0;
    virtual std::string text(int column) const = 0;
};

// One transaction on one database, as the shared store code sees it.
class SqlSession {
  public:
    using OnRow = std::function<void(const SqlRow&)>;
    virtual ~SqlSession() = default;

    // Runs one of the store's statements, handing each row it gives to `onRow`; gives how many
    // rows it changed. Throws StoreError, or the database library's error, when it fails.
    virtual std::int64_t run(Sql statement, const SqlParams& params, const OnRow& onRow = {}) = 0;
    // Runs SQL of several statements without parameters or rows: the schema's changes.
    virtual void script(const std::string& sql) = 0;
    // Holds other changes that lock the same key until this transaction ends.
    virtual void lock(const std::string& key) = 0;
    // True inside `Store::write`.
    virtual bool writing() const = 0;
};

}  // namespace pimra::server
