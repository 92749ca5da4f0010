// The tests' independent TSL UMD sender: drives the npm package tsl-umd-v5 (its packet
// encoder and its own UDP and TCP senders), installed by tools/setup-tsl-peer.sh.
//
//   node tsl_send.js PEER_FOLDER udp|tcp|tcp-stream HOST PORT STEP...
//
// udp sends each packet with the package's sendTallyUDP; tcp with its sendTallyTCP
// (a connection per packet, as the package does); tcp-stream writes the package's
// wrapped packets one after another on a single connection.
//
// Steps, in order:
//   INDEX:RH:LH[:SCREEN[:TEXT]]  one tally: right and left lamp 0 off, 1 red,
//                                2 green, 3 amber (screen 0, text "CAM INDEX")
//   wait:MS                      a pause
//   flood:N:INDEX                N packets as fast as one sender can, INDEX's right
//                                lamp alternating red and off, starting red
// It prints one line "sent N packets in S s" and exits 0 once everything is written.
'use strict';

const dgram = require('dgram');
const net = require('net');
const path = require('path');

const [peer, mode, host, portText, ...steps] = process.argv.slice(2);
if (!peer || !['udp', 'tcp', 'tcp-stream'].includes(mode) || !host || !portText) {
    console.error('usage: node tsl_send.js PEER_FOLDER udp|tcp|tcp-stream HOST PORT STEP...');
    process.exit(2);
}
const TSL5 = require(path.join(peer, 'node_modules', 'tsl-umd-v5'));
const umd = new TSL5();
const port = Number(portText);

function tally(index, rh, lh, screen, text) {
    return {
        screen: screen,
        index: index,
        display: {rh_tally: rh, text_tally: 0, lh_tally: lh, brightness: 3, text: text},
    };
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

let stream = null;
function openStream() {
    return new Promise((resolve, reject) => {
        const socket = net.createConnection({host: host, port: port}, () => resolve(socket));
        socket.on('error', reject);
    });
}

let udp = null;
function udpSocket() {
    if (udp === null) {
        udp = dgram.createSocket('udp4');
    }
    return udp;
}

function writeStream(buffer) {
    return new Promise((resolve) => {
        if (stream.write(buffer)) {
            resolve();
        } else {
            stream.once('drain', resolve);
        }
    });
}

async function sendOne(t) {
    if (mode === 'udp') {
        umd.sendTallyUDP(host, port, t);
        await sleep(2);  // the package sends from a fresh socket it closes itself
    } else if (mode === 'tcp') {
        umd.sendTallyTCP(host, port, t);
        await sleep(20);  // one connection per packet: let each one land in order
    } else {
        await writeStream(umd.constructPacket(t, true));
    }
}

async function flood(count, index) {
    const packets = [umd.constructPacket(tally(index, 1, 0, 0, 'FLOOD'), mode !== 'udp'),
                     umd.constructPacket(tally(index, 0, 0, 0, 'FLOOD'), mode !== 'udp')];
    if (mode === 'udp') {
        const socket = udpSocket();
        const batch = 256;
        for (let sent = 0; sent < count;) {
            const n = Math.min(batch, count - sent);
            const done = [];
            for (let k = 0; k < n; ++k, ++sent) {
                done.push(new Promise((resolve) =>
                    socket.send(packets[sent % 2], port, host, resolve)));
            }
            await Promise.all(done);
        }
        return;
    }
    if (stream === null) {
        stream = await openStream();
    }
    const chunk = 512;
    for (let sent = 0; sent < count;) {
        const parts = [];
        for (let k = 0; k < chunk && sent < count; ++k, ++sent) {
            parts.push(packets[sent % 2]);
        }
        await writeStream(Buffer.concat(parts));
    }
}

async function main() {
    const start = process.hrtime.bigint();
    let sent = 0;
    if (mode === 'tcp-stream') {
        stream = await openStream();
    }
    for (const step of steps) {
        const fields = step.split(':');
        if (fields[0] === 'wait') {
            await sleep(Number(fields[1]));
        } else if (fields[0] === 'flood') {
            await flood(Number(fields[1]), Number(fields[2]));
            sent += Number(fields[1]);
        } else {
            const index = Number(fields[0]);
            const text = fields.length > 4 ? fields.slice(4).join(':') : 'CAM ' + index;
            await sendOne(tally(index, Number(fields[1]), Number(fields[2]),
                                fields.length > 3 ? Number(fields[3]) : 0, text));
            sent += 1;
        }
    }
    if (stream !== null) {
        // Everything written, then closed: the listener may not read (or close its
        // side) before this sender is gone.
        await new Promise((resolve) => stream.end(resolve));
        stream.destroy();
    }
    if (udp !== null) {
        udp.close();
    }
    await sleep(50);
    const seconds = Number(process.hrtime.bigint() - start) / 1e9;
    console.log(`sent ${sent} packets in ${seconds.toFixed(3)} s`);
}

main().catch((error) => {
    console.error('tsl_send: ' + error);
    process.exit(1);
});
