#include "prepare/refusal.h"

#include "engine/messages.h"

namespace zorvane::prepare {

namespace {

MessageId configurationMessage(files::ConfigResult result)
{
    switch (result) {
    case files::ConfigResult::Incomplete:
        return MessageId::ConfigIncomplete;
    case files::ConfigResult::Missing:
        return MessageId::ConfigMissing;
    default:
        return MessageId::ConfigUnreadable;
    }
}

// A box of the message table refusing the run, with its cause beside it.
Refusal refusalFrom(RefusalKind kind, Message message, std::string cause)
{
    return {kind, std::move(message.title), std::move(message.text), std::move(message.firstLine), std::move(cause)};
}

} // namespace

Refusal ConfigurationRefusal(files::ConfigResult result, const std::string& file, std::string cause)
{
    return refusalFrom(RefusalKind::Configuration, MakeMessage(configurationMessage(result), file), std::move(cause));
}

Refusal ReleaseRefusal(const std::string& file, std::string cause)
{
    return refusalFrom(RefusalKind::Release,
                       file.empty() ? MakeMessage(MessageId::ReleaseUnverified)
                                    : MakeMessage(MessageId::NotReleased, file),
                       std::move(cause));
}

Refusal UsageRefusal(std::string text)
{
    return {RefusalKind::Usage, {}, text, text, {}};
}

Refusal StoppedRefusal()
{
    const std::string text = "stopped while the files were checked";
    return {RefusalKind::Stopped, {}, text, text, {}};
}

std::string FirstLineAndCause(const Refusal& refusal)
{
    if (refusal.cause.empty())
        return refusal.text;
    return refusal.firstLine + kCR + refusal.cause;
}

} // namespace zorvane::prepare
