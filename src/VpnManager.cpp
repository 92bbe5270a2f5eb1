#include "VpnManager.h"

VpnManager::VpnManager(QObject *parent) : QObject(parent), vpnProcess(new QProcess(this)) {}

void VpnManager::connectVpn(const QString &, const QString &, const QString &, const QString &,
                            const QString &)
{}

void VpnManager::disconnectVpn() {}

void VpnManager::syncDisconnectVpn() {}
