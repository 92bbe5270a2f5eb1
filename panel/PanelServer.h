#pragma once

#include <QAbstractHttpServer>

#include "PanelApi.h"
#include "PanelOptions.h"

// The account panel over HTTP(S): routes each request to the pure answers of PanelApi,
// reading the data files anew for every request, and logs one line per request. The
// password and the query text never reach the log.
class PanelServer : public QAbstractHttpServer
{
    Q_OBJECT

public:
    explicit PanelServer(const PanelOptions &options, QObject *parent = nullptr);

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    PanelApi::Reply answer(const QHttpServerRequest &request) const;
    PanelApi::Reply directoryReply() const;
    PanelApi::Reply signInReply(const QByteArray &query) const;
    void send(QTcpSocket *socket, const PanelApi::Reply &reply) const;

    PanelOptions m_options;
};
