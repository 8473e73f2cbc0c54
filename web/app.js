// Korvel 四人将棋: the browser page of a network game. It draws what the authority sends
// (protocol version 2: the position, and the legal destinations for the seat to move) and
// sends intentions; it holds no copy of the rules. Everything the players typed is put into
// the page as text (textContent), never as HTML.
'use strict';

(function () {
  const SEAT_NAMES = ['', '下', '左', '上', '右'];
  const KIND_PICTURES = { 1: ['HU', 'TO'], 2: ['GIN', 'GINNARI'], 3: ['KIN'], 4: ['SYA', 'SYANARI'], 5: ['OU'] };
  const KIND_WORDS = { 1: ['歩', 'と'], 2: ['銀', '銀成'], 3: ['金'], 4: ['飛', '飛成'], 5: ['王'] };
  const SEAT_PICTURES = ['', 'SITA', 'HIDARI', 'UE', 'MIGI'];
  const COLUMN_DIGITS = ['', '１', '２', '３', '４', '５', '６', '７', '８', '９'];
  const ROW_NUMERALS = ['', '一', '二', '三', '四', '五', '六', '七', '八', '九'];
  const WORDS = {
    connecting: '接続中…',
    reconnecting: '再接続中…',
    waiting: '開始を待っています',
    playing: '対局中',
    over: '終局',
    closed: '部屋は閉じられました',
    notYourTurn: '手番が違います',
    watching: '観戦中です',
    cannotMove: 'その駒は動かせません',
    notThere: 'そこへは動かせません',
    pickFirst: '動かす駒を選んでください',
    notStarted: 'まだ始まっていません',
    gameOver: '対局は終わっています',
    yourTurn: 'あなたの手番です',
    turnOf: (seat) => SEAT_NAMES[seat] + 'の手番',
    you: 'あなた',
    host: '主催',
    computer: 'COM',
    empty: '空席',
    away: '不在',
    give: 'COMに任せる',
    noRecord: '棋譜はまだありません',
    watchersCount: (n) => '観戦 ' + n + '人',
    soundOn: '音 入',
    soundOff: '音 切',
    yes: '成る',
    no: '成らない',
    cancel: 'やめる',
    lost: '接続が切れました',
    replaced: 'この席には別の画面から接続されました',
  };

  // ------------------------------------------------------------------ the link ----------
  const params = new URLSearchParams(location.search);
  const link = {
    room: (params.get('room') || '').trim().toUpperCase(),
    seat: Number(params.get('seat') || 0),
    // At most the 24 characters a name may have (counted as characters: a pair of UTF-16
    // surrogates is one, and is never split).
    name: Array.from((params.get('name') || '').trim()).slice(0, 24).join('').trim(),
    watch: params.has('watch') && params.get('watch') !== '0',
  };
  const roomValid = /^[A-Z0-9]{6,16}$/.test(link.room);
  const seatValid = Number.isInteger(link.seat) && link.seat >= 1 && link.seat <= 4;

  const $ = (id) => document.getElementById(id);
  const storage = {
    get(key) { try { return localStorage.getItem(key); } catch (e) { return null; } },
    set(key, value) { try { localStorage.setItem(key, value); } catch (e) { /* private mode */ } },
    remove(key) { try { localStorage.removeItem(key); } catch (e) { /* private mode */ } },
  };
  const tokenKey = () => 'korvel4.token.' + link.room + '.' + link.seat;

  // ------------------------------------------------------------------ state -------------
  const state = {
    ws: null,
    phase: 'connecting', // connecting, waiting, playing, over, closed
    mySeat: link.watch ? 0 : link.seat,
    view: 1,           // the seat drawn at the bottom
    host: 0,
    seats: [],         // from `room`
    watchers: 0,
    started: false,
    over: false,
    position: null,
    legal: [],
    turns: [],
    picked: null,      // the hand cell or square picked: "x,y"
    pending: null,     // a move waiting for the promotion answer
    retries: 0,
    retryTimer: 0,
    gaveUp: false,     // no more reconnecting (the room closed, the seat refused)
    recordWanted: false,
    recordUrl: '',
    sound: false,
  };

  // ------------------------------------------------------------------ pictures ----------
  function pieceSeat(code) { return Math.floor(code / 10); }
  function pieceKind(code) { return Math.floor(code) % 10; }
  function isPromoted(code) { return code !== Math.floor(code); }
  function picture(code) {
    const names = KIND_PICTURES[pieceKind(code)];
    if (!names || pieceSeat(code) < 1 || pieceSeat(code) > 4) return '/pieces/KARA_MASU.png';
    return '/pieces/' + SEAT_PICTURES[pieceSeat(code)] + '_' + names[isPromoted(code) ? 1 : 0] + '.png';
  }
  function pieceWord(code) {
    const words = KIND_WORDS[pieceKind(code)];
    return words ? words[isPromoted(code) ? 1 : 0] : '';
  }

  // The view turned so that `view`'s army is at the bottom: protocol square of a screen cell.
  function squareAt(sx, sy, view) {
    switch (view) {
      case 2: return [10 - sy, sx];
      case 3: return [10 - sx, 10 - sy];
      case 4: return [sy, 10 - sx];
      default: return [sx, sy];
    }
  }
  // Where a seat sits on the screen in that view.
  function placeOf(seat, view) {
    return ['p-bottom', 'p-left', 'p-top', 'p-right'][(seat - view + 4) % 4];
  }
  function handCell(seat, slot) {
    switch (seat) {
      case 1: return [11, 5 + slot];
      case 2: return [-1, 5 + slot];
      case 3: return [-1, 5 - slot];
      case 4: return [11, 5 - slot];
      default: return [0, 0];
    }
  }
  const key = (sq) => sq[0] + ',' + sq[1];
  const isHandSquare = (x) => x === -1 || x === 11;

  // ------------------------------------------------------------------ building ----------
  function makeCell(sq, cls) {
    const cell = document.createElement('button');
    cell.type = 'button';
    cell.className = cls;
    cell.dataset.square = key(sq);
    const img = document.createElement('img');
    img.alt = '';
    img.draggable = false;
    img.src = '/pieces/KARA_MASU.png';
    const mark = document.createElement('span');
    mark.className = 'mark';
    cell.append(img, mark);
    cell.addEventListener('click', () => press(key(sq)));
    return cell;
  }

  function buildBoard() {
    const board = $('board');
    board.textContent = '';
    board.className = 'view' + state.view;
    for (let sy = 1; sy <= 9; ++sy)
      for (let sx = 1; sx <= 9; ++sx) board.appendChild(makeCell(squareAt(sx, sy, state.view), 'sq'));
    for (let seat = 1; seat <= 4; ++seat) {
      const panel = $(placeOf(seat, state.view));
      panel.textContent = '';
      panel.dataset.seat = String(seat);
      const head = document.createElement('div');
      head.className = 'who';
      const seatName = document.createElement('span');
      seatName.className = 'seat-name';
      seatName.textContent = SEAT_NAMES[seat];
      const name = document.createElement('span');
      name.className = 'name';
      const tags = document.createElement('span');
      tags.className = 'tags';
      head.append(seatName, name, tags);
      const hand = document.createElement('div');
      hand.className = 'hand view' + state.view;
      for (let slot = 1; slot <= 4; ++slot) {
        const cell = makeCell(handCell(seat, slot), 'hc');
        cell.dataset.count = '0';
        const count = document.createElement('span');
        count.className = 'count';
        cell.appendChild(count);
        hand.appendChild(cell);
      }
      const give = document.createElement('button');
      give.type = 'button';
      give.className = 'give';
      give.dataset.action = 'give';
      give.dataset.seat = String(seat);
      give.textContent = WORDS.give;
      give.hidden = true;
      give.addEventListener('click', () => send({ t: 'give', seat }));
      panel.append(head, hand, give);
    }
  }

  // ------------------------------------------------------------------ drawing -----------
  function cellOf(sq) { return document.querySelector('[data-square="' + sq + '"]'); }

  function drawPosition() {
    const pos = state.position;
    const occupied = new Map();
    if (pos) for (const [x, y, p] of pos.board || []) occupied.set(x + ',' + y, p);
    for (const cell of document.querySelectorAll('#board .sq')) {
      const p = occupied.get(cell.dataset.square);
      const img = cell.firstChild;
      // The pieces turn with the board; the empty square keeps its lines where the
      // window draws them.
      if (p) {
        cell.dataset.piece = String(p);
        img.src = picture(p);
        img.alt = SEAT_NAMES[pieceSeat(p)] + pieceWord(p);
        img.className = 'piece';
      } else {
        delete cell.dataset.piece;
        img.src = '/pieces/KARA_MASU.png';
        img.alt = '';
        img.className = '';
      }
    }
    const hands = new Map();
    if (pos) for (const [x, y, p, n] of pos.hands || []) hands.set(x + ',' + y, [p, n]);
    for (let seat = 1; seat <= 4; ++seat)
      for (let slot = 1; slot <= 4; ++slot) {
        const sq = key(handCell(seat, slot));
        const cell = cellOf(sq);
        if (!cell) continue;
        const [p, n] = hands.get(sq) || [seat * 10 + slot, 0];
        cell.dataset.count = String(n);
        cell.firstChild.src = picture(p);
        cell.firstChild.alt = pieceWord(p);
        cell.firstChild.className = 'piece';
        cell.querySelector('.count').textContent = n > 1 ? String(n) : '';
        if (n > 0) cell.dataset.piece = String(p);
        else delete cell.dataset.piece;
        cell.classList.toggle('none', n === 0);
      }
    for (const c of document.querySelectorAll('.last, .check')) c.classList.remove('last', 'check');
    if (pos && pos.last) {
      for (const sq of [pos.last.from, pos.last.to]) {
        const c = sq && cellOf(key(sq));
        if (c) c.classList.add('last');
      }
    }
    if (pos && pos.check) {
      const king = (pos.board || []).find(([, , p]) => p === pos.check * 10 + 5);
      if (king) cellOf(king[0] + ',' + king[1]).classList.add('check');
    }
    drawMarks();
  }

  // The picked piece and its destinations.
  function drawMarks() {
    for (const c of document.querySelectorAll('[data-dest]')) delete c.dataset.dest;
    for (const c of document.querySelectorAll('.picked')) c.classList.remove('picked');
    for (const c of document.querySelectorAll('.movable')) c.classList.remove('movable');
    const mine = myTurn();
    if (mine) for (const entry of state.legal) {
      const c = cellOf(key(entry.from));
      if (c) c.classList.add('movable');
    }
    if (!state.picked) return;
    const c = cellOf(state.picked);
    if (c) c.classList.add('picked');
    for (const [x, y, p] of destinationsOf(state.picked)) {
      const d = cellOf(x + ',' + y);
      if (d) d.dataset.dest = String(p);
    }
  }

  function drawPlayers() {
    for (let seat = 1; seat <= 4; ++seat) {
      const panel = document.querySelector('.player[data-seat="' + seat + '"]');
      if (!panel) continue;
      const info = state.seats.find((s) => s.seat === seat) || {};
      const name = panel.querySelector('.name');
      const tags = panel.querySelector('.tags');
      if (info.kind === 'computer') name.textContent = WORDS.computer;
      else name.textContent = info.name || WORDS.empty;
      const words = [];
      if (seat === state.mySeat) words.push(WORDS.you);
      if (seat === state.host) words.push(WORDS.host);
      if (info.kind === 'person' && info.joined && !info.connected) words.push(WORDS.away);
      tags.textContent = words.join(' ・ ');
      panel.classList.toggle('to-move', !!state.position && state.position.toMove === seat && state.phase === 'playing');
      panel.classList.toggle('away', info.kind === 'person' && !info.connected);
      panel.classList.toggle('me', seat === state.mySeat);
      const give = panel.querySelector('.give');
      give.hidden = !(state.mySeat !== 0 && state.mySeat === state.host && state.phase === 'playing' &&
                      info.kind === 'person' && info.joined && !info.connected);
    }
    const w = $('watchers');
    w.dataset.count = String(state.watchers);
    w.textContent = WORDS.watchersCount(state.watchers);
    const start = document.querySelector('[data-action="start"]');
    start.hidden = !(state.mySeat !== 0 && state.mySeat === state.host && state.phase === 'waiting');
  }

  function drawStatus(text) {
    const s = $('status');
    s.dataset.seat = String(state.mySeat);
    s.dataset.state = state.phase;
    s.dataset.toMove = String(state.phase === 'playing' && state.position ? state.position.toMove : 0);
    let words = text;
    if (!words) {
      if (state.phase === 'playing' && state.position) {
        words = myTurn() ? WORDS.yourTurn : WORDS.turnOf(state.position.toMove);
      } else {
        words = WORDS[state.phase] || '';
      }
    }
    const seatText = state.mySeat ? SEAT_NAMES[state.mySeat] + '・' : '観戦・';
    s.textContent = seatText + words;
    document.body.classList.toggle('my-turn', myTurn());
  }

  function setPhase(phase, text) {
    state.phase = phase;
    drawStatus(text);
    drawPlayers();
  }

  function notice(text, kind) {
    const n = $('notice');
    n.textContent = text || '';
    n.className = kind || '';
    // The same words again are announced again.
    n.dataset.at = String(Date.now());
  }

  // A turn as the record writes it: the move's number, the seat, the move. A pass is not a
  // move: it carries the number of the move that follows it.
  function moveText(turn, number) {
    const seat = SEAT_NAMES[turn.seat] || '';
    if (turn.pass) return number + ' ' + seat + ' パス';
    const [fx, fy] = turn.from;
    const [tx, ty] = turn.to;
    let text = COLUMN_DIGITS[10 - tx] + ROW_NUMERALS[ty] + pieceWord(turn.before);
    if (isHandSquare(fx)) text += '打';
    else {
      if (turn.placed !== turn.before) text += '成';
      text += '(' + (10 - fx) + fy + ')';
    }
    return number + ' ' + seat + ' ' + text;
  }

  function addMove(turn) {
    const list = $('moves');
    const li = document.createElement('li');
    li.textContent = moveText(turn, state.turns.filter((t) => !t.pass).length + 1);
    li.dataset.seat = String(turn.seat);
    state.turns.push(turn);
    list.appendChild(li);
    li.scrollIntoView({ block: 'nearest' });
  }

  function drawMoves(turns) {
    $('moves').textContent = '';
    state.turns = [];
    for (const t of turns || []) addMove(t);
  }

  // ------------------------------------------------------------------ playing -----------
  function myTurn() {
    return state.mySeat !== 0 && state.phase === 'playing' && !!state.position &&
      state.position.toMove === state.mySeat;
  }

  function destinationsOf(sq) {
    const entry = state.legal.find((e) => key(e.from) === sq);
    return entry ? entry.to : [];
  }

  function ownsCell(sq) {
    const cell = cellOf(sq);
    if (!cell || cell.dataset.piece === undefined) return false;
    return pieceSeat(Number(cell.dataset.piece)) === state.mySeat;
  }

  function press(sq) {
    if (state.pending) return;
    if (state.mySeat === 0) return notice(WORDS.watching, 'refusal');
    if (state.phase === 'waiting' || state.phase === 'connecting') return notice(WORDS.notStarted, 'refusal');
    if (state.phase === 'over' || state.phase === 'closed') return notice(WORDS.gameOver, 'refusal');
    if (!myTurn()) return notice(WORDS.notYourTurn, 'refusal');
    if (state.picked) {
      const dest = destinationsOf(state.picked).find(([x, y]) => x + ',' + y === sq);
      if (dest) return choose(state.picked, dest);
      if (sq === state.picked) {
        state.picked = null;
        return drawMarks();
      }
    }
    if (destinationsOf(sq).length) {
      state.picked = sq;
      notice('');
      return drawMarks();
    }
    const had = state.picked;
    state.picked = null;
    drawMarks();
    if (ownsCell(sq)) return notice(WORDS.cannotMove, 'refusal');
    return notice(had ? WORDS.notThere : WORDS.pickFirst, 'refusal');
  }

  function choose(fromSq, dest) {
    const [x, y, p] = dest;
    const from = fromSq.split(',').map(Number);
    if (p === 2) return askPromotion(from, [x, y]);
    sendMove(from, [x, y], p === 1);
  }

  function askPromotion(from, to) {
    state.pending = { from, to };
    const box = $('promote');
    const buttons = $('promote-buttons');
    buttons.textContent = '';
    for (const [answer, words] of [['yes', WORDS.yes], ['no', WORDS.no]]) {
      const b = document.createElement('button');
      b.type = 'button';
      b.dataset.promote = answer;
      b.textContent = words;
      b.addEventListener('click', () => {
        const m = state.pending;
        closePromotion();
        if (m) sendMove(m.from, m.to, answer === 'yes');
      });
      buttons.appendChild(b);
    }
    const cancel = document.createElement('button');
    cancel.type = 'button';
    cancel.className = 'cancel';
    cancel.dataset.action = 'promote-cancel';
    cancel.textContent = WORDS.cancel;
    cancel.addEventListener('click', () => {
      closePromotion();
      drawMarks();
    });
    buttons.appendChild(cancel);
    box.hidden = false;
  }

  function closePromotion() {
    state.pending = null;
    $('promote-buttons').textContent = '';
    $('promote').hidden = true;
  }

  function sendMove(from, to, promote) {
    state.picked = null;
    send({ t: 'move', n: state.position.n, from, to, promote });
    // Nothing more is offered until the authority answers.
    state.legal = [];
    drawMarks();
  }

  // ------------------------------------------------------------------ sounds ------------
  const sounds = {};
  function play(name) {
    if (!state.sound) return;
    if (!sounds[name]) sounds[name] = new Audio('/sounds/' + name + '.wav');
    const a = sounds[name];
    a.currentTime = 0;
    const p = a.play();
    if (p && p.catch) p.catch(() => {});
  }

  // ------------------------------------------------------------------ the record --------
  function offerRecord(text) {
    if (state.recordUrl) URL.revokeObjectURL(state.recordUrl);
    state.recordUrl = URL.createObjectURL(new Blob([text], { type: 'text/plain;charset=utf-8' }));
    const a = $('record');
    a.href = state.recordUrl;
    a.download = 'korvel4-' + link.room + '-' + state.turns.length + '.k4k';
    a.dataset.ready = '1';
    if (state.recordWanted) {
      state.recordWanted = false;
      a.click();
    }
  }

  // ------------------------------------------------------------------ messages ----------
  function send(msg) {
    if (state.ws && state.ws.readyState === WebSocket.OPEN) state.ws.send(JSON.stringify(msg));
  }

  function takePosition(msg) {
    if (msg.position) state.position = msg.position;
    state.legal = Array.isArray(msg.legal) && state.mySeat !== 0 ? msg.legal : [];
    if (state.picked && !destinationsOf(state.picked).length) state.picked = null;
    drawPosition();
  }

  function phaseFrom(started, over) {
    if (over) return 'over';
    return started ? 'playing' : 'waiting';
  }

  const handlers = {
    welcome(msg) {
      state.retries = 0;
      if (msg.token && link.seat) storage.set(tokenKey(), msg.token);
      if (link.name) storage.set('korvel4.name', link.name);
      state.mySeat = msg.seat || 0;
      if (state.view !== (state.mySeat || 1) || !$('board').firstChild) {
        state.view = state.mySeat || 1;
        buildBoard();
      }
      state.host = msg.host || 0;
      if (Array.isArray(msg.seats)) state.seats = msg.seats;
      state.started = !!msg.started;
      state.over = !!msg.over;
      closePromotion();
      state.picked = null;
      drawMoves(msg.turns);
      takePosition(msg);
      $('result').hidden = !msg.over;
      if (msg.over) $('result').textContent = msg.text || '';
      $('ask').hidden = true;
      $('room-line').textContent = '部屋 ' + (msg.room || link.room);
      setPhase(phaseFrom(state.started, state.over));
    },
    room(msg) {
      state.host = msg.host || 0;
      if (Array.isArray(msg.seats)) state.seats = msg.seats;
      if (typeof msg.watchers === 'number') state.watchers = msg.watchers;
      drawPlayers();
      drawStatus();
    },
    start(msg) {
      state.started = true;
      state.over = false;
      if (Array.isArray(msg.seats)) state.seats = msg.seats;
      closePromotion();
      state.picked = null;
      drawMoves([]);
      $('result').hidden = true;
      $('ask').hidden = true;
      takePosition(msg);
      notice('');
      setPhase('playing');
    },
    moved(msg) {
      closePromotion();
      if (msg.turn) addMove(msg.turn);
      takePosition(msg);
      if (msg.turn && !msg.turn.pass) play('move');
      if (myTurn()) notice(WORDS.yourTurn, 'turn');
      setPhase(state.phase === 'over' ? 'over' : 'playing');
    },
    notice(msg) {
      notice(msg.text, msg.code === 'check' || msg.code === 'mate' ? 'check' : 'info');
      if (msg.code === 'check' || msg.code === 'mate') play('other');
    },
    refused(msg) {
      closePromotion();
      notice(msg.text || msg.code, 'refusal');
      play('refused');
    },
    over(msg) {
      state.over = true;
      state.legal = [];
      state.picked = null;
      closePromotion();
      $('result').textContent = msg.text || '';
      $('result').hidden = false;
      notice('');  // the result says it
      play('end');
      setPhase('over');
      drawMarks();
    },
    ask(msg) {
      $('ask-text').textContent = msg.text || '続けますか？';
      $('ask').hidden = false;
    },
    closed(msg) {
      state.gaveUp = true;
      $('ask').hidden = true;
      notice(msg.text, 'over');
      setPhase('closed');
      storage.remove(tokenKey());
    },
    error(msg) {
      if (msg.code === 'token') {
        // The token is no longer good: join the seat afresh with the link's name.
        storage.remove(tokenKey());
        if (link.name) return send({ t: 'hello', v: 2, room: link.room, seat: link.seat, name: link.name });
      }
      if (['no-room', 'seat-taken', 'seat-computer', 'closed', 'version', 'watchers', 'token', 'malformed']
        .includes(msg.code) && state.phase === 'connecting') {
        state.gaveUp = true;
        setPhase('closed', msg.text || msg.code);
      }
      notice(msg.text || msg.code, 'refusal');
    },
    record(msg) {
      if (typeof msg.text === 'string') offerRecord(msg.text);
    },
    pong() {},
  };

  // The reasons the authority closes a connection with that no new connection would mend.
  const FINAL_CLOSES = ['replaced', 'room gone', 'version', 'origin', 'watchers', 'misbehaving'];

  function connect() {
    clearTimeout(state.retryTimer);
    const scheme = location.protocol === 'https:' ? 'wss://' : 'ws://';
    const ws = new WebSocket(scheme + location.host + '/ws?room=' + encodeURIComponent(link.room));
    state.ws = ws;
    state.phase = 'connecting';
    drawStatus(state.retries ? WORDS.reconnecting : WORDS.connecting);
    ws.addEventListener('open', () => {
      if (link.watch) return send({ t: 'watch', v: 2, room: link.room });
      const token = storage.get(tokenKey());
      if (token) send({ t: 'rejoin', v: 2, room: link.room, seat: link.seat, token });
      else send({ t: 'hello', v: 2, room: link.room, seat: link.seat, name: link.name || SEAT_NAMES[link.seat] });
    });
    ws.addEventListener('message', (ev) => {
      if (ws !== state.ws || typeof ev.data !== 'string') return;
      let msg;
      try { msg = JSON.parse(ev.data); } catch (e) { return; }
      if (!msg || typeof msg.t !== 'string' || !Object.prototype.hasOwnProperty.call(handlers, msg.t)) return;
      handlers[msg.t](msg);
    });
    ws.addEventListener('close', (ev) => {
      if (ws !== state.ws) return;
      state.ws = null;
      state.legal = [];
      state.picked = null;
      closePromotion();
      // Taken over by another page of the same seat (its token), or refused for good: coming
      // back by itself would only take the seat from the other page again.
      if (FINAL_CLOSES.includes(ev.reason)) {
        state.gaveUp = true;
        if (ev.reason === 'replaced') notice(WORDS.replaced, 'refusal');
      }
      if (state.gaveUp) {
        if (state.phase !== 'closed') setPhase('closed');
        return;
      }
      // Back by itself, with the token kept in the browser.
      state.retries += 1;
      state.phase = 'connecting';
      drawStatus(WORDS.reconnecting);
      drawMarks();
      const wait = Math.min(10000, 500 * Math.pow(2, Math.min(state.retries, 5)));
      state.retryTimer = setTimeout(connect, wait);
    });
  }

  // ------------------------------------------------------------------ start -------------
  function showForm() {
    $('join').hidden = false;
    $('game').hidden = true;
    $('join-room').value = link.room;
    if (seatValid) $('join-seat').value = String(link.seat);
    $('join-name').value = link.name || storage.get('korvel4.name') || '';
    drawStatus('部屋コードと席を選んでください');
  }

  function wire() {
    document.querySelector('[data-action="start"]').addEventListener('click', () => send({ t: 'start' }));
    document.querySelector('[data-action="again-yes"]').addEventListener('click', () => {
      $('ask').hidden = true;
      send({ t: 'again', yes: true });
    });
    document.querySelector('[data-action="again-no"]').addEventListener('click', () => {
      $('ask').hidden = true;
      send({ t: 'again', yes: false });
    });
    $('record').addEventListener('click', (ev) => {
      // A fresh record from the authority each time: the link is followed once it is here.
      if (ev.isTrusted || !$('record').dataset.ready) {
        ev.preventDefault();
        state.recordWanted = true;
        delete $('record').dataset.ready;
        send({ t: 'record' });
      }
    });
    $('sound').addEventListener('click', () => {
      state.sound = !state.sound;
      $('sound').setAttribute('aria-pressed', String(state.sound));
      $('sound').textContent = state.sound ? WORDS.soundOn : WORDS.soundOff;
      storage.set('korvel4.sound', state.sound ? '1' : '0');
    });
    if (storage.get('korvel4.sound') === '1') $('sound').click();
  }

  wire();
  if (!roomValid || (!link.watch && !seatValid)) {
    showForm();
    return;
  }
  $('game').hidden = false;
  state.view = state.mySeat || 1;
  buildBoard();
  drawPosition();
  drawPlayers();
  connect();
})();
