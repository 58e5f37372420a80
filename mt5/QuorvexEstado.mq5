//+------------------------------------------------------------------+
//| QuorvexEstado.mq5                                                |
//| Escribe cada segundo el estado de la cuenta en                   |
//| Common\Files\quorvex_mt5.json para el panel de QUORVEX.          |
//| No abre, cierra ni modifica operaciones.                         |
//| Formato: docs/mt5-status.md                                      |
//+------------------------------------------------------------------+
#property copyright "QUORVEX"
#property version   "1.00"
#property description "Escribe el estado de la cuenta para QUORVEX cada segundo (no opera)."

#define QV_FICHERO "quorvex_mt5.json"
#define QV_VERSION 1

// One temporary name per writer: two charts (or two terminals) sharing the
// common folder must never truncate each other's half-written file.
string g_temporal;

//+------------------------------------------------------------------+
int OnInit()
  {
   g_temporal = StringFormat("quorvex_mt5.%I64d.%I64d.tmp",
                             AccountInfoInteger(ACCOUNT_LOGIN), ChartID());
   if(!EventSetTimer(1))
      return(INIT_FAILED);
   Escribir();
   return(INIT_SUCCEEDED);
  }

//+------------------------------------------------------------------+
void OnDeinit(const int reason)
  {
   EventKillTimer();
   // The last file stays: its own time tells the page it is no longer fresh.
   FileDelete(g_temporal, FILE_COMMON);
  }

//+------------------------------------------------------------------+
void OnTimer()
  {
   Escribir();
  }

//+------------------------------------------------------------------+
//| JSON pieces                                                      |
//+------------------------------------------------------------------+
string Texto(const string s)
  {
   string r = "\"";
   int n = StringLen(s);
   for(int i = 0; i < n; i++)
     {
      ushort c = StringGetCharacter(s, i);
      if(c == '"')
         r += "\\\"";
      else if(c == '\\')
         r += "\\\\";
      else if(c == '\n')
         r += "\\n";
      else if(c == '\r')
         r += "\\r";
      else if(c == '\t')
         r += "\\t";
      else if(c < 0x20)
         r += StringFormat("\\u%04x", c);
      else
         r += ShortToString(c);
     }
   return(r + "\"");
  }

// NaN and infinities have no JSON form; one of them would spoil the whole file.
string Numero(const double v, const int decimales)
  {
   if(!MathIsValidNumber(v))
      return("null");
   return(DoubleToString(v, decimales));
  }

string Entero(const long v)
  {
   return(IntegerToString(v));
  }

string Par(const string clave, const string valor, const bool ultimo = false)
  {
   return("\"" + clave + "\":" + valor + (ultimo ? "" : ","));
  }

string ModoCuenta()
  {
   switch((ENUM_ACCOUNT_TRADE_MODE)AccountInfoInteger(ACCOUNT_TRADE_MODE))
     {
      case ACCOUNT_TRADE_MODE_DEMO:
         return("demo");
      case ACCOUNT_TRADE_MODE_CONTEST:
         return("contest");
      default:
         return("real");
     }
  }

string Cuenta()
  {
   string j = "{";
   j += Par("login", Entero(AccountInfoInteger(ACCOUNT_LOGIN)));
   j += Par("server", Texto(AccountInfoString(ACCOUNT_SERVER)));
   j += Par("name", Texto(AccountInfoString(ACCOUNT_NAME)));
   j += Par("company", Texto(AccountInfoString(ACCOUNT_COMPANY)));
   j += Par("currency", Texto(AccountInfoString(ACCOUNT_CURRENCY)));
   j += Par("tradeMode", Texto(ModoCuenta()));
   j += Par("leverage", Entero(AccountInfoInteger(ACCOUNT_LEVERAGE)));
   j += Par("balance", Numero(AccountInfoDouble(ACCOUNT_BALANCE), 2));
   j += Par("equity", Numero(AccountInfoDouble(ACCOUNT_EQUITY), 2));
   j += Par("margin", Numero(AccountInfoDouble(ACCOUNT_MARGIN), 2));
   j += Par("freeMargin", Numero(AccountInfoDouble(ACCOUNT_MARGIN_FREE), 2));
   j += Par("marginLevel", Numero(AccountInfoDouble(ACCOUNT_MARGIN_LEVEL), 2));
   // A stop-out set as an amount of money is no margin level: left out.
   bool enPorcentaje = AccountInfoInteger(ACCOUNT_MARGIN_SO_MODE) == ACCOUNT_STOPOUT_MODE_PERCENT;
   j += Par("marginStopOut", enPorcentaje ? Numero(AccountInfoDouble(ACCOUNT_MARGIN_SO_SO), 2) : "null");
   j += Par("profit", Numero(AccountInfoDouble(ACCOUNT_PROFIT), 2), true);
   return(j + "}");
  }

// Position times come in the trade server's clock; the file speaks UTC.
// The server's offset is a whole number of quarter hours.
long DesfaseServidor()
  {
   long d = (long)(TimeTradeServer() - TimeGMT());
   return((long)MathRound(d / 900.0) * 900);
  }

// Decimals of the symbol's price; 8 when the terminal cannot say, so that a
// failed lookup never rounds prices to whole numbers.
int DecimalesPrecio(const string simbolo)
  {
   long d;
   if(!SymbolInfoInteger(simbolo, SYMBOL_DIGITS, d))
      return(8);
   return((int)d);
  }

// Decimals of the symbol's lot step (0.01 gives 2, 0.001 gives 3).
int DecimalesVolumen(const string simbolo)
  {
   double paso = SymbolInfoDouble(simbolo, SYMBOL_VOLUME_STEP);
   int d = 0;
   while(d < 8 && paso > 0 && MathAbs(paso - MathRound(paso)) > 1e-9)
     {
      paso *= 10;
      d++;
     }
   return(d < 2 ? 2 : d);
  }

string Posiciones()
  {
   string j = "[";
   long desfase = DesfaseServidor();
   int total = PositionsTotal();
   bool primera = true;
   for(int i = 0; i < total; i++)
     {
      ulong ticket = PositionGetTicket(i);
      if(ticket == 0)
         continue;  // closed between the count and the read
      string simbolo = PositionGetString(POSITION_SYMBOL);
      int digitos = DecimalesPrecio(simbolo);
      bool compra = PositionGetInteger(POSITION_TYPE) == POSITION_TYPE_BUY;
      string p = "{";
      p += Par("ticket", StringFormat("%I64u", ticket));
      p += Par("symbol", Texto(simbolo));
      p += Par("type", compra ? "\"buy\"" : "\"sell\"");
      p += Par("volume", Numero(PositionGetDouble(POSITION_VOLUME), DecimalesVolumen(simbolo)));
      p += Par("openPrice", Numero(PositionGetDouble(POSITION_PRICE_OPEN), digitos));
      p += Par("currentPrice", Numero(PositionGetDouble(POSITION_PRICE_CURRENT), digitos));
      p += Par("sl", Numero(PositionGetDouble(POSITION_SL), digitos));
      p += Par("tp", Numero(PositionGetDouble(POSITION_TP), digitos));
      p += Par("profit", Numero(PositionGetDouble(POSITION_PROFIT), 2));
      p += Par("swap", Numero(PositionGetDouble(POSITION_SWAP), 2));
      p += Par("openTime", Entero((long)PositionGetInteger(POSITION_TIME) - desfase));
      p += Par("digits", Entero(digitos), true);
      j += (primera ? "" : ",") + p + "}";
      primera = false;
     }
   return(j + "]");
  }

string Estado()
  {
   string j = "{";
   j += Par("version", Entero(QV_VERSION));
   j += Par("time", Entero((long)TimeGMT()));
   j += Par("connected", TerminalInfoInteger(TERMINAL_CONNECTED) != 0 ? "true" : "false");
   j += Par("account", Cuenta());
   j += Par("positions", Posiciones(), true);
   return(j + "}\n");
  }

//+------------------------------------------------------------------+
//| Writing: whole file under a temporary name, then one move onto   |
//| the real name, so a reader never sees half a file.               |
//+------------------------------------------------------------------+
void Escribir()
  {
   // The Strategy Tester shares the common folder: test runs must not
   // overwrite the live account's file.
   if(MQLInfoInteger(MQL_TESTER))
      return;

   uchar bytes[];
   int n = StringToCharArray(Estado(), bytes, 0, WHOLE_ARRAY, CP_UTF8);
   if(n <= 1)
      return;
   n--;  // StringToCharArray counts the terminating zero

   int h = FileOpen(g_temporal, FILE_WRITE | FILE_BIN | FILE_COMMON);
   if(h == INVALID_HANDLE)
      return;
   uint escritos = FileWriteArray(h, bytes, 0, n);
   FileClose(h);
   if(escritos != (uint)n)
     {
      FileDelete(g_temporal, FILE_COMMON);
      return;
     }
   if(!FileMove(g_temporal, FILE_COMMON, QV_FICHERO, FILE_COMMON | FILE_REWRITE))
      FileDelete(g_temporal, FILE_COMMON);
  }
//+------------------------------------------------------------------+
