#include <gtest/gtest.h>

#include "handle/variant_handle.hpp"
#include "test_support.hpp"

TEST(AllocHandle, EnvironmentConnectionStatementDescriptor) {
    test::handles h(false);
    ASSERT_NE(h.env, nullptr);
    ASSERT_NE(h.dbc, nullptr);
    auto* env = static_cast<variant_handle*>(h.env);
    auto* dbc = static_cast<variant_handle*>(h.dbc);
    EXPECT_EQ(env->record.index(), 1u);
    EXPECT_EQ(dbc->record.index(), 2u);
    EXPECT_EQ(env->get_if<handle::environment>()->odbc_version, 380);
    EXPECT_EQ(env->common().parent, nullptr);
    EXPECT_EQ(dbc->common().parent, env);

    h.mark_connected();
    SQLHSTMT stmt = nullptr;
    SQLHDESC desc = nullptr;
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, h.dbc, &stmt), SQL_SUCCESS);
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_DESC, h.dbc, &desc), SQL_SUCCESS);
    auto* s = static_cast<variant_handle*>(stmt);
    EXPECT_EQ(s->record.index(), 3u);
    EXPECT_EQ(s->get_if<handle::statement>()->cluster, h.connection().cluster.get());
    EXPECT_EQ(s->get_if<handle::statement>()->current_row, -1);
    EXPECT_EQ(static_cast<variant_handle*>(desc)->record.index(), 0u);
    EXPECT_EQ(static_cast<variant_handle*>(desc)->common().parent, dbc);

    // Disconnecting detaches the statement from the closed cluster handle; the statement
    // handle itself stays valid.
    EXPECT_EQ(SQLDisconnect(h.dbc), SQL_SUCCESS);
    EXPECT_EQ(h.connection().cluster, nullptr);
    EXPECT_EQ(s->get_if<handle::statement>()->cluster, nullptr);

    EXPECT_EQ(SQLFreeHandle(SQL_HANDLE_STMT, stmt), SQL_SUCCESS);
    // The type argument does not decide how a handle is destroyed: its own kind does.
    EXPECT_EQ(SQLFreeHandle(SQL_HANDLE_STMT, desc), SQL_SUCCESS);
}

TEST(AllocHandle, FailureRows) {
    test::captured_log log(logger::level::debug);
    test::handles h(false);
    SQLHANDLE out = reinterpret_cast<SQLHANDLE>(0x1234);

    EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_ENV, nullptr, nullptr), SQL_INVALID_HANDLE);
    EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_DBC, nullptr, &out), SQL_INVALID_HANDLE);
    EXPECT_EQ(out, reinterpret_cast<SQLHANDLE>(0x1234));
    EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_DBC, h.dbc, &out), SQL_INVALID_HANDLE);  // parent must be an environment
    EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, h.env, &out), SQL_INVALID_HANDLE);
    EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, nullptr, &out), SQL_INVALID_HANDLE);
    EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_SENV, nullptr, &out), SQL_SUCCESS);
    EXPECT_EQ(SQLAllocHandle(7, h.env, &out), SQL_INVALID_HANDLE);
    EXPECT_EQ(out, reinterpret_cast<SQLHANDLE>(0x1234));
    EXPECT_EQ(SQLFreeHandle(SQL_HANDLE_STMT, nullptr), SQL_SUCCESS);

    const auto text = log.text();
    EXPECT_NE(text.find("[Debug] allocating: 7 - unknown\n"), std::string::npos);
    EXPECT_NE(text.find("[Debug] allocating: 5 - SQL_HANDLE_SENV\n"), std::string::npos);
    EXPECT_NE(text.find("[Debug] freed: 3 - SQL_HANDLE_STMT - at 0x0\n"), std::string::npos);
}

TEST(AllocHandle, StatementOrDescriptorNeedAConnectedConnection) {
    test::captured_log log(logger::level::info);
    test::handles h(false);
    SQLHANDLE out = nullptr;
    EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, h.dbc, &out), SQL_ERROR);
    EXPECT_EQ(out, nullptr);
    auto d = test::diag_of(SQL_HANDLE_DBC, h.dbc);
    EXPECT_EQ(d.sqlstate, "08003");
    EXPECT_EQ(d.message, "[08003] Connection not open: statement needs a working connection.");

    EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_DESC, h.dbc, &out), SQL_ERROR);
    d = test::diag_of(SQL_HANDLE_DBC, h.dbc);
    EXPECT_EQ(d.message, "[08003] Connection not open: descriptor needs a working connection.");

    const auto text = log.text();
    EXPECT_NE(text.find("[Error] [error] SQL_ERROR - [08003] Connection not open: statement needs a working "
                        "connection.\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("SQLAllocHandle"), std::string::npos) << "the location line names the export";
}

TEST(FreeHandle, FreeingTheEnvironmentClosesTheLog) {
    test::captured_log log(logger::level::debug);
    SQLHENV env = nullptr;
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_ENV, nullptr, &env), SQL_SUCCESS);
    ASSERT_EQ(SQLFreeHandle(SQL_HANDLE_ENV, env), SQL_SUCCESS);
    EXPECT_FALSE(logger::detail::get_logger().is_open());
    log_line(logger::level::error, "dropped");
    const auto text = log.text();
    EXPECT_EQ(text.find("dropped"), std::string::npos);
    EXPECT_NE(text.find("[Debug] freed: 1 - SQL_HANDLE_ENV - at 0x"), std::string::npos);
}
