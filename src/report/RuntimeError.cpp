#include "RuntimeError.h"

#include <new>

namespace quorvane::report {

RuntimeError::RuntimeError(int number, QString description)
    : m_number(number), m_description(std::move(description)), m_utf8(m_description.toUtf8())
{
}

ErrorCause currentExceptionCause()
{
    try {
        throw;
    } catch (const RuntimeError& e) {
        return {e.number(), e.description()};
    } catch (const std::bad_alloc&) {
        return {rte::kOutOfMemory, QStringLiteral("Out of memory")};
    } catch (const std::exception& e) {
        return {0, QString::fromUtf8(e.what())};
    } catch (...) {
        return {0, QStringLiteral("Application-defined or object-defined error")};
    }
}

} // namespace quorvane::report
