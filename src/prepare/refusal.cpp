#include "prepare/refusal.h"

#include "engine/messages.h"

namespace zorvane::prepare {

Refusal ConfigurationRefusal(RefusalKind kind, files::ConfigResult result, const std::string& file, std::string cause)
{
    files::ConfigFailure failure = files::ConfigFailureMessage(result, file);
    return {kind, std::move(failure.title), std::move(failure.text), std::move(cause)};
}

Refusal UsageRefusal(std::string text)
{
    return {RefusalKind::Usage, {}, std::move(text), {}};
}

Refusal StoppedRefusal()
{
    return {RefusalKind::Stopped, {}, "stopped while the files were checked", {}};
}

std::string FirstLineAndCause(const Refusal& refusal)
{
    if (refusal.cause.empty())
        return refusal.text;
    return refusal.text.substr(0, refusal.text.find(kCR)) + kCR + refusal.cause;
}

} // namespace zorvane::prepare
