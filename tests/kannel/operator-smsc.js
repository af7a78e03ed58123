// A simulated operator SMSC for the delivery-report test: takes Kannel's
// SMPP bind, acknowledges every submit_sm with a message id, then sends the
// delivery receipt: "UNDELIV" for the numbers given, "DELIVRD" for the others.
//
// usage: node operator-smsc.js <folder holding node_modules> <port> <number,number...>
// Prints "listening <port>" once it listens on 127.0.0.1, then one line per
// submit and per receipt.
'use strict';
const path = require('path');
const smpp = require(path.join(process.argv[2], 'node_modules', 'smpp'));

const port = Number(process.argv[3]);
const undeliverable = new Set((process.argv[4] || '').split(',').filter(Boolean));
let nextId = 1000;

const server = smpp.createServer((session) => {
    for (const bind of ['bind_transceiver', 'bind_transmitter', 'bind_receiver'])
        session.on(bind, (pdu) => session.send(pdu.response()));
    session.on('enquire_link', (pdu) => session.send(pdu.response()));
    session.on('unbind', (pdu) => {
        session.send(pdu.response());
        session.close();
    });
    session.on('error', (e) => console.log('session error', e.message));
    session.on('submit_sm', (pdu) => {
        const id = String(nextId++);
        const to = pdu.destination_addr;
        session.send(pdu.response({ message_id: id }));
        const stat = undeliverable.has(to) ? 'UNDELIV' : 'DELIVRD';
        console.log('submit', to, id);
        // The receipt comes a moment later, as from a phone network.
        setTimeout(() => {
            const date = '2606151030';
            session.deliver_sm({
                source_addr: to,
                source_addr_ton: pdu.dest_addr_ton,
                source_addr_npi: pdu.dest_addr_npi,
                destination_addr: pdu.source_addr,
                dest_addr_ton: pdu.source_addr_ton,
                dest_addr_npi: pdu.source_addr_npi,
                esm_class: smpp.ESM_CLASS.MC_DELIVERY_RECEIPT,
                short_message: `id:${id} sub:001 dlvrd:${stat === 'DELIVRD' ? '001' : '000'} submit date:${date} ` +
                    `done date:${date} stat:${stat} err:${stat === 'DELIVRD' ? '000' : '001'} text:`,
            });
            console.log('receipt', to, stat);
        }, 200);
    });
});
server.listen(port, '127.0.0.1', () => console.log('listening', port));
for (const signal of ['SIGTERM', 'SIGINT'])
    process.on(signal, () => process.exit(0));
