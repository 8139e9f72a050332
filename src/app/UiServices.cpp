#include "app/UiServices.h"

#include "app/QtUiServices.h"

namespace {

UiServices* g_installed = nullptr;

} // namespace

UiServices& UiServices::Instance()
{
    static QtUiServices qtServices;
    return g_installed != nullptr ? *g_installed : qtServices;
}

void UiServices::Install(UiServices* services)
{
    g_installed = services;
}
