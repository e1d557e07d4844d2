#include "Bind.h"

#include <gtest/gtest.h>

namespace zuvo::cli {
namespace {

Argument value(Variant v) {
  Argument a;
  a.value = std::move(v);
  return a;
}

Argument array(std::int32_t lbound, std::vector<Variant> items) {
  Argument a;
  a.kind = Argument::Kind::Array;
  a.array = Array<Variant>(lbound, std::move(items));
  return a;
}

// Stands for ZuvoCls: one member per kind of parameter the binding must handle.
struct Probe {
  String text;
  std::int16_t integer = 0;
  double number = 0;
  bool flag = false;
  Connection* connection = nullptr;

  std::int16_t Item(const String& para, std::int16_t& i) {
    text = para;
    i = 4;
    return 7;
  }
  double Take(std::int32_t n, double d, bool b) {
    number = d;
    flag = b;
    return n + d;
  }
  void Fill(Array<String>& a, ByteArray& b) {
    a[a.lbound()] = u"x" + a[a.lbound()];
    b.push_back(0xFF);
  }
  Variant Echo(const Variant& v) { return v; }
  void FailsHalfway(String& s) {
    s = u"partial";
    throw RuntimeError(err::InvalidArgument);
  }
  std::int32_t Use(Connection& c) {
    connection = &c;
    return 1;
  }
  std::int32_t Count() { return 3; }
};

template <auto Fn>
Variant call(Probe& probe, std::vector<Argument> args) {
  return callMember<Fn>(probe, args);
}

int failingPosition(Probe& probe, std::vector<Argument> args, std::int32_t number) {
  try {
    callMember<&Probe::Item>(probe, args);
  } catch (const ArgumentError& e) {
    EXPECT_EQ(e.number(), number);
    return int(e.position());
  }
  ADD_FAILURE() << "no ArgumentError";
  return 0;
}

TEST(Bind, ArgumentsConvertToTheParameterTypes) {
  Probe p;
  std::vector<Argument> args{value(Variant::Long(5)), value(1)};
  EXPECT_EQ(callMember<&Probe::Item>(p, args), Variant(std::int16_t(7)));
  EXPECT_EQ(p.text, u"5");  // a String parameter given a number gets its text

  call<&Probe::Item>(p, {value(0.5), value(u"12")});
  EXPECT_EQ(p.text, u"0.5");

  EXPECT_EQ(call<&Probe::Take>(p, {value(u"3"), value(Variant::Long(2)), value(u"True")}),
            Variant(5.0));
  EXPECT_EQ(p.number, 2.0);
  EXPECT_TRUE(p.flag);
  EXPECT_EQ(call<&Probe::Echo>(p, {value(Variant::Null())}), Variant::Null());
  EXPECT_EQ(call<&Probe::Count>(p, {}), Variant::Long(3));
}

TEST(Bind, FailedConversionsNameTheArgument) {
  Probe p;
  EXPECT_EQ(failingPosition(p, {value(u"x"), value(u"abc")}, err::TypeMismatch), 2);
  // Null has no String form in a dispatch conversion.
  EXPECT_EQ(failingPosition(p, {value(Variant::Null()), value(1)}, err::TypeMismatch), 1);
  EXPECT_EQ(failingPosition(p, {value(u"x"), value(70000)}, err::Overflow), 2);
  EXPECT_EQ(failingPosition(p, {array(0, {}), value(1)}, err::TypeMismatch), 1);
  EXPECT_EQ(failingPosition(p, {value(ByteArray{1}), value(1)}, err::TypeMismatch), 1);
}

TEST(Bind, ReferenceParametersAreWrittenBack) {
  Probe p;
  std::vector<Argument> args{value(u"a  b "), value(Variant::Long(1))};
  callMember<&Probe::Item>(p, args);
  EXPECT_EQ(args[0].value, Variant(u"a  b "));
  EXPECT_EQ(args[1].value, Variant(std::int16_t(4)));  // written as the parameter's type

  // A constant parameter leaves the caller's value as it was, unconverted.
  args = {value(Variant::Long(9)), value(1)};
  callMember<&Probe::Item>(p, args);
  EXPECT_EQ(args[0].value, Variant::Long(9));

  args = {array(1, {Variant::Long(5), u"b"}), array(0, {Variant::Long(1), 2.0})};
  callMember<&Probe::Fill>(p, args);
  ASSERT_EQ(args[0].kind, Argument::Kind::Array);
  EXPECT_EQ(args[0].array.lbound(), 1);
  EXPECT_EQ(args[0].array.items(), (std::vector<Variant>{u"x5", u"b"}));
  ASSERT_EQ(args[1].kind, Argument::Kind::Value);  // an array of numbers became a byte array
  EXPECT_EQ(args[1].value, Variant(ByteArray{1, 2, 0xFF}));

  args = {value(u"before")};
  EXPECT_THROW(callMember<&Probe::FailsHalfway>(p, args), RuntimeError);
  EXPECT_EQ(args[0].value, Variant(u"partial"));
}

TEST(Bind, ByteArraysTakeOnlyBytes) {
  Probe p;
  std::vector<Argument> args{array(0, {u"a"}), array(0, {Variant::Long(256)})};
  try {
    callMember<&Probe::Fill>(p, args);
    FAIL();
  } catch (const ArgumentError& e) {
    EXPECT_EQ(e.number(), err::Overflow);
    EXPECT_EQ(e.position(), 2u);
  }
}

class NoConnection : public Connection {
 public:
  String Name() const override { return u"x"; }
  std::unique_ptr<Resultset> OpenResultset(const String&, std::int32_t, std::int32_t,
                                           std::int32_t) override {
    return nullptr;
  }
  void Execute(const String&, std::int32_t) override {}
  void BeginTrans() override {}
  void CommitTrans() override {}
  void RollbackTrans() override {}
  std::unique_ptr<Query> CreateQuery(const String&) override { return nullptr; }
};

TEST(Bind, DataAccessObjectsPassByReference) {
  Probe p;
  NoConnection connection;
  Argument a;
  a.kind = Argument::Kind::Connection;
  a.connection = &connection;
  EXPECT_EQ(call<&Probe::Use>(p, {a}), Variant::Long(1));
  EXPECT_EQ(p.connection, &connection);
  EXPECT_THROW(call<&Probe::Use>(p, {value(u"cn")}), ArgumentError);
}

}  // namespace
}  // namespace zuvo::cli
