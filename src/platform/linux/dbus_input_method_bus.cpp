#include "platform/linux/dbus_input_method_bus.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFileInfo>
#include <QVariantMap>
#include <future>
#include <memory>
#include <thread>
#include <utility>

#include "platform/linux/ibus_address.h"

namespace cardwedge {
namespace {

const QString kSessionConnection = QStringLiteral("cardwedge-input-method-session");
const QString kIbusConnection = QStringLiteral("cardwedge-input-method-ibus");
const QString kFcitxService = QStringLiteral("org.fcitx.Fcitx5");
const QString kIbusService = QStringLiteral("org.freedesktop.IBus");

QString SessionBusAddress() {
  QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
  if (!address.isEmpty()) return address;
  const QString runtimeBus = qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/bus");
  if (QFileInfo(runtimeBus).isWritable()) return QStringLiteral("unix:path=") + runtimeBus;
  return {};
}

// The named connection to the bus at that address, made anew when the bus went away.
BusAnswer<QDBusConnection> Connect(const QString& name, const QString& address) {
  if (address.isEmpty()) return {std::nullopt, "no bus address"};
  QDBusConnection connection(name);
  if (!connection.isConnected()) {
    QDBusConnection::disconnectFromBus(name);
    connection = QDBusConnection::connectToBus(address, name);
  }
  if (!connection.isConnected()) {
    return {std::nullopt, "cannot connect to " + address.toStdString() + ": " +
                              connection.lastError().message().toStdString()};
  }
  return {connection, {}};
}

BusAnswer<QVariant> Call(const BusAnswer<QDBusConnection>& connection, const QString& service,
                         const QString& path, const QString& interface, const QString& method,
                         const QVariantList& arguments = {}) {
  if (!connection.value) return {std::nullopt, connection.error};
  QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
  call.setArguments(arguments);
  // Asking must not start a framework that the bus knows how to start but is not running.
  call.setAutoStartService(false);
  const QDBusMessage reply =
      connection.value->call(call, QDBus::Block, DbusInputMethodBus::kCallTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
    return {std::nullopt, (method + ": " + reply.errorMessage()).toStdString()};
  }
  return {reply.arguments().constFirst(), {}};
}

BusAnswer<QVariant> CallFcitx(const QString& method) {
  return Call(Connect(kSessionConnection, SessionBusAddress()), kFcitxService,
              QStringLiteral("/controller"), QStringLiteral("org.fcitx.Fcitx.Controller1"), method);
}

// IBus's engine description is a structure: its type name, a dictionary of attachments, then
// the engine's name. The property's own type is a variant, so the reply wraps it twice.
std::string EngineName(QVariant description) {
  while (description.canConvert<QDBusVariant>()) {
    description = qvariant_cast<QDBusVariant>(description).variant();
  }
  const auto argument = qvariant_cast<QDBusArgument>(description);
  QString type;
  QVariantMap attachments;
  QString name;
  argument.beginStructure();
  argument >> type >> attachments >> name;
  argument.endStructure();
  return name.toStdString();
}

BusAnswer<QVariant> AskSessionBus(const QString& method, const QString& name) {
  return Call(Connect(kSessionConnection, SessionBusAddress()),
              QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
              QStringLiteral("org.freedesktop.DBus"), method, {name});
}

InputMethodState NoAnswer(const char* what) {
  return {InputMethodState::Kind::kUnknown,
          std::string("the input-method framework ") + what + " in " +
              std::to_string(kSessionQueryDeadline.count()) + " ms"};
}

}  // namespace

BusAnswer<bool> DbusInputMethodBus::FcitxRunning() {
  const BusAnswer<QVariant> owned = AskSessionBus(QStringLiteral("NameHasOwner"), kFcitxService);
  if (!owned.value) return {std::nullopt, "the session bus: " + owned.error};
  return {owned.value->toBool(), {}};
}

BusAnswer<int> DbusInputMethodBus::FcitxState() {
  const BusAnswer<QVariant> state = CallFcitx(QStringLiteral("State"));
  if (!state.value) return {std::nullopt, state.error};
  return {state.value->toInt(), {}};
}

BusAnswer<std::string> DbusInputMethodBus::FcitxInputMethod() {
  const BusAnswer<QVariant> method = CallFcitx(QStringLiteral("CurrentInputMethod"));
  if (!method.value) return {std::nullopt, method.error};
  return {method.value->toString().toStdString(), {}};
}

// fcitx5's IBus frontend serves IBus's programs as an IBus daemon would, and has answered for
// them already: its bus is not IBus's.
BusAnswer<bool> DbusInputMethodBus::IbusRunning() {
  const BusAnswer<IbusDaemon> daemon = FindIbusDaemon();
  if (!daemon.value) return {std::nullopt, daemon.error};
  const BusAnswer<QVariant> fcitx =
      AskSessionBus(QStringLiteral("GetConnectionUnixProcessID"), kFcitxService);
  if (fcitx.value && fcitx.value->toLongLong() == daemon.value->pid) return {false, {}};
  ibusAddress_ = QString::fromStdString(daemon.value->address);
  return {!ibusAddress_.isEmpty(), {}};
}

BusAnswer<std::string> DbusInputMethodBus::IbusGlobalEngine() {
  const BusAnswer<QVariant> engine = Call(
      Connect(kIbusConnection, ibusAddress_), kIbusService, QStringLiteral("/org/freedesktop/IBus"),
      QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
      {kIbusService, QStringLiteral("GlobalEngine")});
  if (!engine.value) return {std::nullopt, engine.error};
  return {EngineName(*engine.value), {}};
}

void SessionInputMethod::AskAhead() {
  askedAheadAt_.reset();
  aheadAnswer_.reset();
  if (question_.valid() &&
      question_.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
    return;  // still open: the check waits for it
  }
  Ask();
  askedAheadAt_ = std::chrono::steady_clock::now();
}

InputMethodState SessionInputMethod::Answer() {
  if (askedAheadAt_ && std::chrono::steady_clock::now() - *askedAheadAt_ <= kAskedAheadServesFor) {
    if (!aheadAnswer_) aheadAnswer_ = TakeAnswer();
    return *aheadAnswer_;
  }
  askedAheadAt_.reset();
  aheadAnswer_.reset();
  if (question_.valid() && question_.wait_for(kSessionQueryDeadline) != std::future_status::ready) {
    return NoAnswer("has not answered an earlier question");
  }
  Ask();
  return TakeAnswer();
}

SessionInputMethod::SessionInputMethod() {
  std::thread([asker = asker_, bus = std::make_shared<DbusInputMethodBus>(),
               hints = InputMethodHintsFromEnvironment()] {
    for (;;) {
      std::unique_lock lock(asker->mutex);
      asker->changed.wait(lock, [&] { return asker->ended || asker->question; });
      if (asker->ended) return;
      std::promise<InputMethodState> answer = std::move(*asker->question);
      asker->question.reset();
      lock.unlock();
      answer.set_value(QueryInputMethod(*bus, hints));
    }
  }).detach();
}

SessionInputMethod::~SessionInputMethod() {
  {
    const std::lock_guard lock(asker_->mutex);
    asker_->ended = true;
  }
  asker_->changed.notify_one();
}

// Asked only once the question before has its answer, so the asking thread never has two.
void SessionInputMethod::Ask() {
  std::promise<InputMethodState> answer;
  question_ = answer.get_future();
  {
    const std::lock_guard lock(asker_->mutex);
    asker_->question = std::move(answer);
  }
  asker_->changed.notify_one();
}

InputMethodState SessionInputMethod::TakeAnswer() {
  if (question_.wait_for(kSessionQueryDeadline) != std::future_status::ready) {
    return NoAnswer("did not answer");
  }
  return question_.get();
}

}  // namespace cardwedge
