// The Firebird connection: attach with the held entries, statements in
// read-committed transactions that wait on locks, no character set.
#include "data/Connection.h"

#include "data/ConnectionEntries.h"
#include "data/DatabaseError.h"
#include "data/FbClient.h"
#include "data/FbMessages.h"

#include "common/Interruption.h"

#include <mutex>

namespace tramex {

using Firebird::FbException;
using Firebird::IAttachment;
using Firebird::IResultSet;
using Firebird::IStatement;
using Firebird::ITransaction;
using Firebird::IXpbBuilder;
using Firebird::ThrowStatusWrapper;

namespace {

#ifdef _WIN32
constexpr const char* kDefaultLibrary = "fbclient.dll";
#else
constexpr const char* kDefaultLibrary = "libfbclient.so.2";
#endif
constexpr unsigned kDialect = 3;

// Sets the connection state for the length of one call.
// Marks the connection's statement as running for the length of one call.
template <typename Impl>
class RunningScope {
  public:
    explicit RunningScope(Impl& impl) : impl_(impl) { impl_.SetStatementRunning(true); }
    ~RunningScope() { impl_.SetStatementRunning(false); }

  private:
    Impl& impl_;
};

class StateScope {
  public:
    StateScope(ConnectionState& state, ConnectionState during, ConnectionState after)
        : state_(state), after_(after) {
        state_ = during;
    }
    ~StateScope() { state_ = after_; }
    void SetAfter(ConnectionState after) { after_ = after; }

  private:
    ConnectionState& state_;
    ConnectionState after_;
};

}  // namespace

struct Connection::Impl {
    ConnectionEntries entries;
    std::string libraryName = kDefaultLibrary;
    Firebird::IMaster* master = nullptr;
    fb::Ref<IAttachment> attachment;
    ConnectionState state = ConnectionState::Closed;
    // Guards the attachment against a cancel from the stop watcher's thread.
    std::mutex attachmentMutex;
    int stopListener = 0;
    // True while a statement runs. A cancel sent to an idle attachment stays
    // pending and the engine then stalls in the detach that ends the run.
    bool statementRunning = false;

    // Called on the stop watcher's thread: breaks off the statement the main
    // thread is waiting for (a long procedure before its first row).
    void CancelRunningStatement() {
        std::lock_guard lock(attachmentMutex);
        if (!attachment || !master || !statementRunning) return;
        try {
            fb::Status status(master);
            attachment->cancelOperation(status.Get(), fb_cancel_raise);
        } catch (const FbException&) {
            // Nothing running: the main thread meets the stop at its next row.
        }
    }

    void ListenForStop() {
        if (stopListener == 0)
            stopListener = interruption::OnRequest([this] { CancelRunningStatement(); });
    }

    void SetStatementRunning(bool running) {
        std::lock_guard lock(attachmentMutex);
        statementRunning = running;
    }

    void StopListening() {
        if (stopListener != 0) interruption::Forget(std::exchange(stopListener, 0));
    }

    Firebird::IMaster* Master() {
        if (!master) master = fb::MasterOf(libraryName);
        return master;
    }

    std::vector<unsigned char> DatabaseParameters(ThrowStatusWrapper* status) {
        fb::Owned<IXpbBuilder> dpb(
            Master()->getUtilInterface()->getXpbBuilder(status, IXpbBuilder::DPB, nullptr, 0));
        // The program's text is UTF-8; without this tag the Windows client
        // reads the file name in the ANSI code page, and a database under a
        // folder such as "C:\Compañía" is not found.
        dpb->insertTag(status, isc_dpb_utf8_filename);
        dpb->insertString(status, isc_dpb_user_name, entries.Get("User_Name").c_str());
        dpb->insertString(status, isc_dpb_password, entries.Get("Password").c_str());
        dpb->insertInt(status, isc_dpb_sql_dialect, kDialect);
        const unsigned char* bytes = dpb->getBuffer(status);
        return std::vector<unsigned char>(bytes, bytes + dpb->getBufferLength(status));
    }

    fb::Ref<ITransaction> StartTransaction(ThrowStatusWrapper* status) {
        fb::Owned<IXpbBuilder> tpb(
            Master()->getUtilInterface()->getXpbBuilder(status, IXpbBuilder::TPB, nullptr, 0));
        tpb->insertTag(status, isc_tpb_read_committed);
        tpb->insertTag(status, isc_tpb_rec_version);
        tpb->insertTag(status, isc_tpb_wait);
        tpb->insertTag(status, isc_tpb_write);
        return fb::Ref<ITransaction>(attachment->startTransaction(
            status, tpb->getBufferLength(status), tpb->getBuffer(status)));
    }

    static void Commit(ThrowStatusWrapper* status, fb::Ref<ITransaction>& transaction) {
        transaction->commit(status);
        transaction.Forget();  // commit released it
    }

    void Execute(ThrowStatusWrapper* status, ITransaction* transaction, const std::string& sql,
                 const std::vector<SqlParameter>& parameters, uint64_t* affected) {
        fb::Ref<IStatement> statement(
            attachment->prepare(status, transaction, 0, sql.c_str(), kDialect, 0));
        fb::InputMessage input(Master(), status, parameters);
        statement->execute(status, transaction, input.Metadata(), input.Buffer(), nullptr, nullptr);
        if (affected) *affected = statement->getAffectedRecords(status);
    }
};

Connection::Connection() : impl_(std::make_unique<Impl>()) {
    // Until the first connect: the installation's own database, administrator login.
    impl_->entries.Set("Database", "datos/quintor.fdb");
    impl_->entries.Set("User_Name", "SYSDBA");
    impl_->entries.Set("Password", "masterkey");
}

Connection::~Connection() {
    impl_->StopListening();
    try {
        Close();
    } catch (const Error&) {
        // A failing detach at the end leaves nothing to do; the server drops the attachment.
    }
}

void Connection::SetEntry(std::string name, std::string value) {
    impl_->entries.Set(std::move(name), std::move(value));
}
std::string Connection::Entry(const std::string& name) const { return impl_->entries.Get(name); }
void Connection::SetLibraryName(std::string name) {
    impl_->libraryName = std::move(name);
    impl_->master = nullptr;
}
const std::string& Connection::LibraryName() const { return impl_->libraryName; }
bool Connection::Connected() const { return static_cast<bool>(impl_->attachment); }
ConnectionState Connection::State() const { return impl_->state; }

void Connection::Open() {
    if (Connected()) return;
    StateScope scope(impl_->state, ConnectionState::Connecting, ConnectionState::Closed);
    Firebird::IMaster* master = impl_->Master();
    const std::string database = Entry("Database");
    try {
        fb::Status status(master);
        const auto dpb = impl_->DatabaseParameters(status.Get());
        fb::Ref<IAttachment> attached(master->getDispatcher()->attachDatabase(
            status.Get(), database.c_str(), static_cast<unsigned>(dpb.size()), dpb.data()));
        std::lock_guard lock(impl_->attachmentMutex);
        impl_->attachment = std::move(attached);
    } catch (const FbException& error) {
        fb::RaiseDatabaseError(master, error, "Attach to database \"" + database + "\"");
    }
    impl_->ListenForStop();
    scope.SetAfter(ConnectionState::Open);
}

void Connection::Close() {
    if (!Connected()) return;
    StateScope scope(impl_->state, ConnectionState::Disconnecting, ConnectionState::Closed);
    std::lock_guard lock(impl_->attachmentMutex);
    try {
        fb::Status status(impl_->master);
        impl_->attachment->detach(status.Get());
        impl_->attachment.Forget();
    } catch (const FbException& error) {
        impl_->attachment.Reset();  // releasing an attachment drops it
        fb::RaiseDatabaseError(impl_->master, error, "Detach from database");
    }
}

void Connection::ExecuteDdl(const std::string& sql) { ExecuteDdl(sql, {}); }

void Connection::ExecuteDdl(const std::string& sql, const std::vector<SqlParameter>& parameters) {
    Open();
    StateScope scope(impl_->state, ConnectionState::Executing, ConnectionState::Open);
    RunningScope running(*impl_);
    try {
        fb::Status status(impl_->master);
        auto transaction = impl_->StartTransaction(status.Get());
        impl_->Execute(status.Get(), transaction.Get(), sql, parameters, nullptr);
        Impl::Commit(status.Get(), transaction);
    } catch (const FbException& error) {
        fb::RaiseDatabaseError(impl_->master, error, "Execute statement");
    }
}

void Connection::Query(const std::string& sql, ResultSink& sink) {
    Open();
    StateScope scope(impl_->state, ConnectionState::Executing, ConnectionState::Open);
    RunningScope running(*impl_);
    try {
        fb::Status status(impl_->master);
        auto transaction = impl_->StartTransaction(status.Get());
        fb::Ref<IStatement> statement(
            impl_->attachment->prepare(status.Get(), transaction.Get(), 0, sql.c_str(), kDialect,
                                       IStatement::PREPARE_PREFETCH_METADATA));
        fb::Ref<Firebird::IMessageMetadata> described(statement->getOutputMetadata(status.Get()));
        fb::OutputMessage output(status.Get(), described.Get());
        fb::Ref<IResultSet> cursor(statement->openCursor(status.Get(), transaction.Get(), nullptr,
                                                         nullptr, output.Metadata(), 0));
        sink.BeginResult(output.Fields(), output.Columns());
        impl_->state = ConnectionState::Fetching;
        while (cursor->fetchNext(status.Get(), output.Buffer()) == Firebird::IStatus::RESULT_OK) {
            // A stop request ends the fetch between rows; the holders roll back.
            interruption::ThrowIfRequested();
            sink.Row(output.Cells());
        }
        cursor->close(status.Get());
        cursor.Forget();
        Impl::Commit(status.Get(), transaction);
    } catch (const FbException& error) {
        fb::RaiseDatabaseError(impl_->master, error, "Query");
    }
}

void Connection::ExecuteRowBatch(const std::vector<RowStatement>& statements) {
    Open();
    StateScope scope(impl_->state, ConnectionState::Executing, ConnectionState::Open);
    RunningScope running(*impl_);
    fb::Status status(impl_->master);
    fb::Ref<ITransaction> transaction;
    std::string current = "Start transaction";
    try {
        transaction = impl_->StartTransaction(status.Get());
        for (const RowStatement& statement : statements) {
            current = statement.description;
            uint64_t affected = 0;
            impl_->Execute(status.Get(), transaction.Get(), statement.sql, statement.parameters,
                           &affected);
            // Zero rows: changed or deleted meanwhile. More than one: the
            // values do not single out one row, and changing all would corrupt data.
            if (affected != 1)
                throw DatabaseError(
                    statement.description + (affected == 0
                                                 ? ": record not found or changed by another user"
                                                 : ": more than one record matches"),
                    "");
        }
        current = "Commit";
        Impl::Commit(status.Get(), transaction);
    } catch (const FbException& error) {
        transaction.Reset();  // releasing an active transaction rolls it back
        fb::RaiseDatabaseError(impl_->master, error, current);
    }
    // A DatabaseError raised above leaves through the holder, which rolls back too.
}

void Connection::CreateDatabase() {
    if (Connected()) return;
    Firebird::IMaster* master = impl_->Master();
    const std::string database = Entry("Database");
    try {
        fb::Status status(master);
        auto dpb = impl_->DatabaseParameters(status.Get());
        impl_->attachment = fb::Ref<IAttachment>(master->getDispatcher()->createDatabase(
            status.Get(), database.c_str(), static_cast<unsigned>(dpb.size()), dpb.data()));
    } catch (const FbException& error) {
        fb::RaiseDatabaseError(master, error, "Create database \"" + database + "\"");
    }
    impl_->state = ConnectionState::Open;
}

void Connection::DropDatabase() {
    Open();
    try {
        fb::Status status(impl_->master);
        impl_->attachment->dropDatabase(status.Get());
        impl_->attachment.Forget();
    } catch (const FbException& error) {
        fb::RaiseDatabaseError(impl_->master, error, "Drop database");
    }
    impl_->state = ConnectionState::Closed;
}

}  // namespace tramex
