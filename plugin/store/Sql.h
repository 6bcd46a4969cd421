// A connection to a database server as the shared store uses it: statements
// with parameters, rows of text, transactions, and a cancel that another
// thread may call. The ODBC one is the plugin's; tests put their own in between.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

using SqlValue = std::variant<int64_t, std::string>;
using SqlRow = std::vector<std::optional<std::string>>;

// A statement or the connection failed; `state` is the five-letter SQLSTATE.
class SqlError : public std::runtime_error {
 public:
  SqlError(const std::string& state, const std::string& message) : std::runtime_error(message), state_(state) {}
  const std::string& State() const { return state_; }
  // Two transactions waited on each other, or the engine could not order them:
  // the transaction is rolled back and may be tried again.
  bool Retryable() const { return state_ == "40001" || state_ == "40P01"; }

 private:
  std::string state_;
};

class SqlConnection {
 public:
  virtual ~SqlConnection() = default;
  // The engine's own name ("PostgreSQL", "MariaDB", "MySQL").
  virtual std::string Engine() = 0;
  // Runs one statement, `?` marking each of `params` in order; the rows it
  // gives, every column as text (none for NULL). Throws SqlError.
  virtual std::vector<SqlRow> Run(const std::string& statement, const std::vector<SqlValue>& params) = 0;
  // Each statement runs in the transaction these end.
  virtual void Commit() = 0;
  virtual void Rollback() = 0;
  // Asks the statement in flight, if any, to stop; safe from any thread.
  virtual void Cancel() noexcept = 0;
};

// How long the engine may take to let the store in or to answer one
// statement before the connection counts as lost.
struct SqlTimeouts {
  int loginSeconds = 3;
  int querySeconds = 5;
};

using SqlConnector = std::function<std::unique_ptr<SqlConnection>(const std::string& connection)>;

// The system's ODBC driver manager (unixODBC, odbc32): a connector that
// connects with `connection` as given, autocommit off. Throws SqlError.
SqlConnector OdbcConnector(SqlTimeouts timeouts = {});
