<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>CAboutDlg</name>
    <message>
        <source>バージョン情報 Kuvora</source>
        <translation>About Kuvora</translation>
    </message>
    <message>
        <source>&lt;p&gt;%1&lt;br&gt;MIT ライセンス&lt;br&gt;&lt;a href=&quot;%2&quot;&gt;説明書&lt;/a&gt;&lt;/p&gt;&lt;p&gt;Qt %3&lt;br&gt;SQLite %4&lt;br&gt;%5&lt;/p&gt;</source>
        <translation>&lt;p&gt;%1&lt;br&gt;MIT licence&lt;br&gt;&lt;a href=&quot;%2&quot;&gt;User guide&lt;/a&gt;&lt;/p&gt;&lt;p&gt;Qt %3&lt;br&gt;SQLite %4&lt;br&gt;%5&lt;/p&gt;</translation>
    </message>
</context>
<context>
    <name>CHistoryModel</name>
    <message>
        <source>未登録: この名前は駅名表にありません。
ダブルクリックすると名前を登録できます。</source>
        <translation>Unregistered (未登録): this name is not in the station table.
Double-click to give it a name.</translation>
    </message>
    <message>
        <source>この名前は未登録です。ダブルクリックすると駅名を登録できます（ファイル → 駅名表を取り込む... で駅名表を取り込むこともできます）</source>
        <translation>This name is unregistered (未登録). Double-click to name the station (or import a station table with File → Import Station Table...)</translation>
    </message>
</context>
<context>
    <name>CIpAddressCtrl</name>
    <message>
        <source>IP アドレスの第 %1 欄</source>
        <translation>IP address, part %1</translation>
    </message>
</context>
<context>
    <name>CKuvoraView</name>
    <message>
        <source>カードの情報</source>
        <translation>Card information</translation>
    </message>
    <message>
        <source>履歴</source>
        <translation>History</translation>
    </message>
    <message>
        <source>1 件の履歴が 2 行: 上の行にコード、下の行に名前</source>
        <translation>Two rows a history record: the codes above, the names below</translation>
    </message>
    <message>
        <source>駅名を登録...</source>
        <translation>Name the Station...</translation>
    </message>
    <message>
        <source>カードのサービス情報を %1 に書き出しています...</source>
        <translation>Writing the card&apos;s services to %1...</translation>
    </message>
    <message>
        <source>クリップボードを開くことができません。
(Clean)</source>
        <translation>The clipboard cannot be opened.
(Clean)</translation>
    </message>
    <message>
        <source>拡張メタファイルの作成に失敗しました。</source>
        <translation>The picture of the history could not be made.</translation>
    </message>
    <message>
        <source>クリップボードヘEMFが転送できません。</source>
        <translation>The picture could not be put on the clipboard.</translation>
    </message>
    <message>
        <source>印刷プレビュー</source>
        <translation>Print Preview</translation>
    </message>
</context>
<context>
    <name>CMainFrame</name>
    <message>
        <source>カードを読み取っています...</source>
        <translation>Reading the card...</translation>
    </message>
    <message>
        <source>ツール バー</source>
        <translation>Tool bar</translation>
    </message>
    <message>
        <source>その他のボタン</source>
        <translation>More buttons</translation>
    </message>
    <message>
        <source>カードのモード</source>
        <translation>Card mode</translation>
    </message>
    <message>
        <source>Caps Lock</source>
        <translation>Caps Lock</translation>
    </message>
    <message>
        <source>Num Lock</source>
        <translation>Num Lock</translation>
    </message>
    <message>
        <source>Scroll Lock</source>
        <translation>Scroll Lock</translation>
    </message>
    <message>
        <source>オン</source>
        <translation>on</translation>
    </message>
    <message>
        <source>オフ</source>
        <translation>off</translation>
    </message>
    <message>
        <source>未登録の駅名</source>
        <translation>Unregistered station names</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>このお知らせを閉じます</source>
        <translation>Closes this note</translation>
    </message>
    <message>
        <source>メニュー バー</source>
        <translation>Menu bar</translation>
    </message>
    <message>
        <source>ウィンドウの大きさを変える</source>
        <translation>Resize the window</translation>
    </message>
</context>
<context>
    <name>CNameCodeDlg</name>
    <message>
        <source>店舗名:</source>
        <translation>Shop name:</translation>
    </message>
    <message>
        <source>停留所名:</source>
        <translation>Bus stop name:</translation>
    </message>
    <message>
        <source>駅名:</source>
        <translation>Station name:</translation>
    </message>
    <message>
        <source>駅名を登録</source>
        <translation>Name the Station</translation>
    </message>
    <message>
        <source>このコードは駅名データベースに登録されていません。
名前を入力すると、同じコードのすべての履歴に表示されます。</source>
        <translation>This code is not in the station database.
The name you enter is shown in every record with the same code.</translation>
    </message>
    <message>
        <source>テーブル:</source>
        <translation>Table:</translation>
    </message>
    <message>
        <source>コード:</source>
        <translation>Code:</translation>
    </message>
    <message>
        <source>会社名:</source>
        <translation>Company name:</translation>
    </message>
    <message>
        <source>路線名:</source>
        <translation>Line name:</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>名前にタブや改行などの制御文字は使えません。</source>
        <translation>A name cannot hold control characters such as tabs or line breaks.</translation>
    </message>
</context>
<context>
    <name>CSetupDlg</name>
    <message>
        <source>基本スタイル</source>
        <translation>Basic style</translation>
    </message>
    <message>
        <source>XPスタイル</source>
        <translation>XP style</translation>
    </message>
    <message>
        <source>スペシャル スタイル</source>
        <translation>Special style</translation>
    </message>
    <message>
        <source>ICYスタイル</source>
        <translation>ICY style</translation>
    </message>
    <message>
        <source>Office2003スタイル</source>
        <translation>Office 2003 style</translation>
    </message>
    <message>
        <source>カラフル スタイル</source>
        <translation>Colourful style</translation>
    </message>
    <message>
        <source>Kuvora 設定</source>
        <translation>Kuvora Settings</translation>
    </message>
    <message>
        <source>メニュー スタイル</source>
        <translation>Menu style</translation>
    </message>
    <message>
        <source>履歴情報TCP/IP送信</source>
        <translation>Send the history over TCP/IP</translation>
    </message>
    <message>
        <source>履歴情報TCP/IP送信を利用する</source>
        <translation>Send the history over TCP/IP</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>次回起動時に反映されます。</source>
        <translation>Takes effect at the next start.</translation>
    </message>
    <message>
        <source>履歴読み上げ</source>
        <translation>Reading the history aloud</translation>
    </message>
    <message>
        <source>常に読み上げる</source>
        <translation>Always read aloud</translation>
    </message>
    <message>
        <source>言語</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>自動</source>
        <translation>Automatic</translation>
    </message>
    <message>
        <source>日本語</source>
        <translation>日本語 (Japanese)</translation>
    </message>
</context>
<context>
    <name>CSuicaGreenDlg</name>
    <message>
        <source>Suicaグリーン券 Viewer</source>
        <translation>Suica Green Ticket Viewer</translation>
    </message>
    <message>
        <source>購入日時：</source>
        <translation>Bought: </translation>
    </message>
    <message>
        <source>購入区間：</source>
        <translation>Route: </translation>
    </message>
    <message>
        <source>料        金：</source>
        <translation>Fare: </translation>
    </message>
    <message>
        <source>列車コード：</source>
        <translation>Train code: </translation>
    </message>
    <message>
        <source>Suica グリーン券情報</source>
        <translation>Suica Green Ticket</translation>
    </message>
    <message>
        <source>読み取りの結果</source>
        <translation>Result of the read</translation>
    </message>
    <message>
        <source>降車駅</source>
        <translation>To station</translation>
    </message>
    <message>
        <source>着席駅</source>
        <translation>Seat station</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>CardImageCommands</name>
    <message>
        <source>カードイメージ (*.json);;すべてのファイル (*)</source>
        <translation>Card images (*.json);;All files (*)</translation>
    </message>
    <message>
        <source>カードイメージを開く</source>
        <translation>Open Card Image</translation>
    </message>
    <message>
        <source>カードを読み取っています...</source>
        <translation>Reading the card...</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>リーダ・ライタを開けませんでした。</source>
        <translation>The reader/writer could not be opened.</translation>
    </message>
    <message>
        <source>カードが見つかりません。</source>
        <translation>No card was found.</translation>
    </message>
    <message>
        <source>読み取りの途中でカードが離れたか、別のカードに替わりました。</source>
        <translation>The card was lifted or another card was placed while it was read.</translation>
    </message>
    <message>
        <source>カードを読み取れませんでした。</source>
        <translation>The card could not be read.</translation>
    </message>
    <message>
        <source>カードイメージを保存できませんでした。
%1
(%2)</source>
        <translation>The card image could not be saved.
%1
(%2)</translation>
    </message>
    <message>
        <source>カードイメージを保存できませんでした。
%1</source>
        <translation>The card image could not be saved.
%1</translation>
    </message>
    <message>
        <source>カードイメージとして保存</source>
        <translation>Save as Card Image</translation>
    </message>
</context>
<context>
    <name>DocumentTable</name>
    <message>
        <source>FeliCa 製造番号(IDm): %1%2
</source>
        <translation>Manufacture ID (IDm): %1%2
</translation>
    </message>
    <message>
        <source>SF カードタイプ: %1
</source>
        <translation>Card type: %1
</translation>
    </message>
    <message>
        <source>%1（%2）</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>改札ログ %1: %2
</source>
        <translation>Gate log %1: %2
</translation>
    </message>
    <message>
        <source>履歴 %1 件 (カードから %2 件)
</source>
        <translation>History: %1 rows (%2 from the card)
</translation>
    </message>
    <message>
        <source>日付</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>時刻</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>端末</source>
        <translation>Terminal</translation>
    </message>
    <message>
        <source>処理</source>
        <translation>Trade</translation>
    </message>
    <message>
        <source>入場</source>
        <translation>From</translation>
    </message>
    <message>
        <source>出場</source>
        <translation>To</translation>
    </message>
    <message>
        <source>残高</source>
        <translation>Balance</translation>
    </message>
    <message>
        <source>差額</source>
        <translation>Amount</translation>
    </message>
    <message>
        <source>連番</source>
        <translation>Serial</translation>
    </message>
    <message>
        <source>備考</source>
        <translation>Note</translation>
    </message>
</context>
<context>
    <name>EmptyWindowHint</name>
    <message>
        <source>自動（最初に見つかったリーダ・ライタ）</source>
        <translation>Automatic (the first reader/writer found)</translation>
    </message>
    <message>
        <source>カードイメージ %1</source>
        <translation>Card image %1</translation>
    </message>
    <message>
        <source>PC/SC の最初のリーダ・ライタ</source>
        <translation>The first PC/SC reader/writer</translation>
    </message>
    <message>
        <source>USB の最初の RC-S380</source>
        <translation>The first RC-S380 on USB</translation>
    </message>
    <message>
        <source>libnfc の最初のリーダ・ライタ</source>
        <translation>The first libnfc reader/writer</translation>
    </message>
    <message>
        <source>カードをリーダ・ライタに置いて、
ファイル → 読み取り (Ctrl+R) を選んでください。

使うリーダ・ライタ: %1
ほかのリーダ・ライタやカードイメージは ファイル → リーダーの選択... で選べます。</source>
        <translation>Place a card on the reader/writer,
then choose File → Read (Ctrl+R).

Reader/writer used: %1
Another reader/writer or a card image can be chosen with File → Choose the Reader...</translation>
    </message>
</context>
<context>
    <name>ExpenseClaim</name>
    <message>
        <source>きっぷ購入</source>
        <translation>Ticket</translation>
    </message>
    <message>
        <source>バス</source>
        <translation>Bus</translation>
    </message>
    <message>
        <source>精算</source>
        <translation>Adjustment</translation>
    </message>
    <message>
        <source>乗車</source>
        <comment>a ride through the gates</comment>
        <translation>Ride</translation>
    </message>
    <message>
        <source>日付	種別	乗車	降車	運賃
</source>
        <translation>Date	Kind	From	To	Fare
</translation>
    </message>
    <message>
        <source>合計				%1
</source>
        <translation>Total				%1
</translation>
    </message>
    <message>
        <source>%1（%2）</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>交通費明細</source>
        <translation>Travel Expenses</translation>
    </message>
    <message>
        <source>カード</source>
        <translation>Card</translation>
    </message>
    <message>
        <source>期間</source>
        <translation>Period</translation>
    </message>
    <message>
        <source>日付</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>種別</source>
        <translation>Kind</translation>
    </message>
    <message>
        <source>乗車</source>
        <translation>From</translation>
    </message>
    <message>
        <source>降車</source>
        <translation>To</translation>
    </message>
    <message>
        <source>運賃</source>
        <translation>Fare</translation>
    </message>
    <message>
        <source>合計</source>
        <translation>Total</translation>
    </message>
    <message>
        <source>yyyy年MM月dd日</source>
        <translation>yyyy-MM-dd</translation>
    </message>
    <message>
        <source>%1 ～ %2</source>
        <translation>%1 to %2</translation>
    </message>
    <message>
        <source>交通費明細（続き） %1</source>
        <translation>Travel Expenses (continued)  %1</translation>
    </message>
    <message>
        <source>運賃 (円)</source>
        <translation>Fare (yen)</translation>
    </message>
    <message>
        <source>この期間の交通費はありません</source>
        <translation>No fares in this period</translation>
    </message>
    <message numerus="yes">
        <source>%n 件</source>
        <translation>
            <numerusform>%n journey</numerusform>
            <numerusform>%n journeys</numerusform>
        </translation>
    </message>
    <message>
        <source>yyyy/MM/dd</source>
        <translation>yyyy-MM-dd</translation>
    </message>
</context>
<context>
    <name>GuideWindow</name>
    <message>
        <source>Kuvora ユーザーガイド</source>
        <translation>Kuvora User Guide</translation>
    </message>
    <message>
        <source>ガイドのページ</source>
        <translation>Guide page</translation>
    </message>
    <message>
        <source>戻る</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>進む</source>
        <translation>Forward</translation>
    </message>
    <message>
        <source>目次</source>
        <translation>Contents</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>ユーザーガイドが見つかりません。次の場所を探しました:
%1</source>
        <translation>The user guide was not found. These places were searched:
%1</translation>
    </message>
    <message>
        <source>ユーザーガイドを開けません:
%1</source>
        <translation>The user guide cannot be opened:
%1</translation>
    </message>
</context>
<context>
    <name>HistoryView</name>
    <message>
        <source>yyyy年MM月dd日 HH時mm分</source>
        <translation>yyyy-MM-dd HH:mm</translation>
    </message>
    <message>
        <source>生データ</source>
        <translation>Raw</translation>
    </message>
    <message>
        <source>端末種</source>
        <translation>Terminal</translation>
    </message>
    <message>
        <source>処 理</source>
        <translation>Trade</translation>
    </message>
    <message>
        <source>日 付</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>時 刻</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>入線区</source>
        <translation>In line</translation>
    </message>
    <message>
        <source>入駅順</source>
        <translation>In station</translation>
    </message>
    <message>
        <source>出線区</source>
        <translation>Out line</translation>
    </message>
    <message>
        <source>出駅順</source>
        <translation>Out station</translation>
    </message>
    <message>
        <source>残 高</source>
        <translation>Balance</translation>
    </message>
    <message>
        <source>履歴連番</source>
        <translation>Serial</translation>
    </message>
    <message>
        <source>備 考</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>（%1）</source>
        <translation> (%1)</translation>
    </message>
    <message>
        <source>改札ログ %1: %2</source>
        <translation>Gate log %1: %2</translation>
    </message>
    <message>
        <source>保存済みの履歴（カードから読み取っていません）</source>
        <translation>Stored history (not read from the card)</translation>
    </message>
    <message>
        <source>FeliCa 製造番号(IDm)</source>
        <translation>Manufacture ID (IDm)</translation>
    </message>
    <message>
        <source>SF カードタイプ</source>
        <translation>Card type</translation>
    </message>
</context>
<context>
    <name>JourneysDialog</name>
    <message>
        <source>交通費の一覧</source>
        <translation>Fares for Journeys</translation>
    </message>
    <message>
        <source>期間(&amp;F):</source>
        <translation>&amp;From:</translation>
    </message>
    <message>
        <source>～</source>
        <translation>to</translation>
    </message>
    <message>
        <source>日付</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>種別</source>
        <translation>Kind</translation>
    </message>
    <message>
        <source>乗車</source>
        <translation>From</translation>
    </message>
    <message>
        <source>降車</source>
        <translation>To</translation>
    </message>
    <message>
        <source>運賃 (円)</source>
        <translation>Fare (yen)</translation>
    </message>
    <message>
        <source>CSV で保存(&amp;S)...</source>
        <translation>&amp;Save as CSV...</translation>
    </message>
    <message>
        <source>テキストでコピー(&amp;C)</source>
        <translation>&amp;Copy as Text</translation>
    </message>
    <message>
        <source>印刷(&amp;P)...</source>
        <translation>&amp;Print...</translation>
    </message>
    <message>
        <source>PDF で保存(&amp;D)...</source>
        <translation>Save as P&amp;DF...</translation>
    </message>
    <message>
        <source>/交通費_%1_%2.%3</source>
        <translation>/fares_%1_%2.%3</translation>
    </message>
    <message>
        <source>CSV で保存</source>
        <translation>Save as CSV</translation>
    </message>
    <message>
        <source>CSV ファイル (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>PDF で保存</source>
        <translation>Save as PDF</translation>
    </message>
    <message>
        <source>PDF ファイル (*.pdf)</source>
        <translation>PDF files (*.pdf)</translation>
    </message>
    <message>
        <source>交通費明細の印刷</source>
        <translation>Print the Travel Expenses</translation>
    </message>
    <message>
        <source>印刷できませんでした。</source>
        <translation>The travel expenses could not be printed.</translation>
    </message>
    <message numerus="yes">
        <source>%n 件  合計 %1 円</source>
        <translation>
            <numerusform>%n journey  Total ¥%1</numerusform>
            <numerusform>%n journeys  Total ¥%1</numerusform>
        </translation>
    </message>
    <message>
        <source>期間の始め</source>
        <translation>Period from</translation>
    </message>
    <message>
        <source>期間の終わり</source>
        <translation>Period to</translation>
    </message>
    <message>
        <source>運賃の一覧</source>
        <translation>Fares</translation>
    </message>
</context>
<context>
    <name>Menu</name>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>読み取り</source>
        <translation>&amp;Read</translation>
    </message>
    <message>
        <source>Ctrl+R(&amp;R)</source>
        <translation>Ctrl+R</translation>
    </message>
    <message>
        <source>グリーン券情報読み取り</source>
        <translation>Read the &amp;Green Ticket</translation>
    </message>
    <message>
        <source>Ctrl+G(&amp;G)</source>
        <translation>Ctrl+G</translation>
    </message>
    <message>
        <source>名前を付けて保存(&amp;A)...</source>
        <translation>Save &amp;As...</translation>
    </message>
    <message>
        <source>カードイメージを開く...</source>
        <translation>Open Card &amp;Image...</translation>
    </message>
    <message>
        <source>カードイメージとして保存...</source>
        <translation>Save as Card I&amp;mage...</translation>
    </message>
    <message>
        <source>リーダーの選択...</source>
        <translation>Choose the Rea&amp;der...</translation>
    </message>
    <message>
        <source>駅名表を取り込む...</source>
        <translation>Import Station &amp;Table...</translation>
    </message>
    <message>
        <source>駅名表を書き出す...</source>
        <translation>&amp;Export Station Table...</translation>
    </message>
    <message>
        <source>印刷...</source>
        <translation>&amp;Print...</translation>
    </message>
    <message>
        <source>Ctrl+P(&amp;P)</source>
        <translation>Ctrl+P</translation>
    </message>
    <message>
        <source>印刷プレビュー(&amp;V)</source>
        <translation>Print Pre&amp;view</translation>
    </message>
    <message>
        <source>プリンタの設定(&amp;S)...</source>
        <translation>Print &amp;Setup...</translation>
    </message>
    <message>
        <source>設定(&amp;C)</source>
        <translation>Setti&amp;ngs</translation>
    </message>
    <message>
        <source>アプリケーションの終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>編集(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>コピー</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>Ctrl+C(&amp;C)</source>
        <translation>Ctrl+C</translation>
    </message>
    <message>
        <source>すべて選択</source>
        <translation>Select &amp;All</translation>
    </message>
    <message>
        <source>Ctrl+A(&amp;A)</source>
        <translation>Ctrl+A</translation>
    </message>
    <message>
        <source>履歴読み上げ(&amp;R)</source>
        <translation>&amp;Read the History Aloud</translation>
    </message>
    <message>
        <source>読み上げ中止(&amp;S)</source>
        <translation>&amp;Stop Reading Aloud</translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>ツール バー(&amp;T)</source>
        <translation>&amp;Tool Bar</translation>
    </message>
    <message>
        <source>ステータス バー(&amp;S)</source>
        <translation>&amp;Status Bar</translation>
    </message>
    <message>
        <source>カードを置いたら読み取る</source>
        <translation>Read Each Card &amp;Placed</translation>
    </message>
    <message>
        <source>保存済みカード(&amp;L)</source>
        <translation>Stored Cards (&amp;Library)</translation>
    </message>
    <message>
        <source>シンプル表示(&amp;P)</source>
        <translation>Plain &amp;List</translation>
    </message>
    <message>
        <source>利用集計(&amp;U)...</source>
        <translation>Spending S&amp;ummary...</translation>
    </message>
    <message>
        <source>交通費の一覧(&amp;J)...</source>
        <translation>Fares for &amp;Journeys...</translation>
    </message>
    <message>
        <source>モード(&amp;M)</source>
        <translation>&amp;Mode</translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>トピックの検索(&amp;H)</source>
        <translation>&amp;Help Topics</translation>
    </message>
    <message>
        <source>バージョン情報 Kuvora(&amp;A)...</source>
        <translation>&amp;About Kuvora...</translation>
    </message>
</context>
<context>
    <name>NameCodeCommand</name>
    <message>
        <source>名前を登録できませんでした。
%1</source>
        <translation>The name could not be registered.
%1</translation>
    </message>
    <message>
        <source>名前は登録しましたが、保存済みの履歴には反映できませんでした。
%1</source>
        <translation>The name was registered, but the stored history could not be updated with it.
%1</translation>
    </message>
</context>
<context>
    <name>NamingProgressDialog</name>
    <message>
        <source>保存済みの行に名前を付けています...</source>
        <translation>Naming the stored records...</translation>
    </message>
    <message>
        <source>名前を付けています</source>
        <translation>Naming</translation>
    </message>
</context>
<context>
    <name>PlainHistoryModel</name>
    <message>
        <source>日付</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>時刻</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>処理</source>
        <translation>Trade</translation>
    </message>
    <message>
        <source>利用区間・店舗</source>
        <translation>Route or shop</translation>
    </message>
    <message>
        <source>支払</source>
        <translation>Paid</translation>
    </message>
    <message>
        <source>チャージ</source>
        <translation>Charged</translation>
    </message>
    <message>
        <source>残高</source>
        <translation>Balance</translation>
    </message>
    <message>
        <source>備考</source>
        <translation>Note</translation>
    </message>
</context>
<context>
    <name>PlainHistoryView</name>
    <message>
        <source>絞り込み（駅名・店舗・備考など）</source>
        <translation>Filter (station, shop, note...)</translation>
    </message>
    <message>
        <source>絞り込み</source>
        <translation>Filter</translation>
    </message>
    <message>
        <source>絞り込みを消す</source>
        <translation>Clear the filter</translation>
    </message>
    <message>
        <source>期間</source>
        <translation>Period</translation>
    </message>
    <message>
        <source>期間の始め</source>
        <translation>Period from</translation>
    </message>
    <message>
        <source>期間の終わり</source>
        <translation>Period to</translation>
    </message>
    <message>
        <source>履歴の一覧</source>
        <translation>History list</translation>
    </message>
    <message>
        <source>～</source>
        <translation>to</translation>
    </message>
</context>
<context>
    <name>PrintedPage</name>
    <message>
        <source>生データ</source>
        <translation>Raw data</translation>
    </message>
    <message>
        <source>端末種</source>
        <translation>Term.</translation>
    </message>
    <message>
        <source>処理</source>
        <translation>Trade</translation>
    </message>
    <message>
        <source>日付</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>入線区</source>
        <translation>In ln</translation>
    </message>
    <message>
        <source>入駅順</source>
        <translation>In stn</translation>
    </message>
    <message>
        <source>出線区</source>
        <translation>Out ln</translation>
    </message>
    <message>
        <source>出駅順</source>
        <translation>Out stn</translation>
    </message>
    <message>
        <source>残高</source>
        <translation>Bal.</translation>
    </message>
    <message>
        <source>履歴連番</source>
        <translation>Serial</translation>
    </message>
    <message>
        <source>端末種 処理     日付     入線区 入駅順 出線区 出駅順  残高  履歴連番</source>
        <translation>Term.  Trade    Date     In ln  In st  Out ln Out st  Bal.  Serial</translation>
    </message>
</context>
<context>
    <name>ReaderChoiceDialog</name>
    <message>
        <source>リーダーの選択</source>
        <translation>Choose the Reader</translation>
    </message>
    <message>
        <source>カードを読み取るリーダー・ライタを選んでください。</source>
        <translation>Choose the reader/writer that reads the card.</translation>
    </message>
    <message>
        <source>リーダー・ライタ</source>
        <translation>Reader/writers</translation>
    </message>
    <message>
        <source>自動 (PC/SC、USB の RC-S380、libnfc の順に探します)</source>
        <translation>Automatic (tries PC/SC, an RC-S380 on USB, then libnfc)</translation>
    </message>
    <message>
        <source>カードイメージ %1</source>
        <translation>Card image %1</translation>
    </message>
    <message>
        <source>リーダー・ライタが見つかりません。接続を確かめてください。</source>
        <translation>No reader/writer was found. Check that one is plugged in.</translation>
    </message>
    <message>
        <source>カードイメージ(&amp;I)...</source>
        <translation>Card &amp;Image...</translation>
    </message>
    <message>
        <source>カードイメージを開く</source>
        <translation>Open Card Image</translation>
    </message>
    <message>
        <source>カードイメージ (*.json);;すべてのファイル (*)</source>
        <translation>Card images (*.json);;All files (*)</translation>
    </message>
</context>
<context>
    <name>SaveAsDialog</name>
    <message>
        <source>テキストファイル (*.txt)</source>
        <translation>Text files (*.txt)</translation>
    </message>
    <message>
        <source>ワークシートファイル (*.xls)</source>
        <translation>Worksheet files (*.xls)</translation>
    </message>
    <message>
        <source>xmlファイル (*.xml)</source>
        <translation>XML files (*.xml)</translation>
    </message>
    <message>
        <source>CSV ファイル (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>すべてのファイル (*.*)</source>
        <translation>All files (*.*)</translation>
    </message>
    <message>
        <source>名前を付けて保存</source>
        <translation>Save As</translation>
    </message>
    <message>
        <source>保存する場所:</source>
        <translation>Save in:</translation>
    </message>
    <message>
        <source>ファイル名:</source>
        <translation>File name:</translation>
    </message>
    <message>
        <source>ファイルの種類:</source>
        <translation>Save as type:</translation>
    </message>
    <message>
        <source>保存(&amp;S)</source>
        <translation>&amp;Save</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>SpendingDialog</name>
    <message>
        <source>ファイルを保存できません。</source>
        <translation>The file cannot be saved.</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message numerus="yes">
        <source>%1  IDm %2  (%n 件)</source>
        <translation>
            <numerusform>%1  IDm %2  (%n record)</numerusform>
            <numerusform>%1  IDm %2  (%n records)</numerusform>
        </translation>
    </message>
    <message>
        <source>%1円</source>
        <translation>¥%1</translation>
    </message>
    <message>
        <source>%1（%2）</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>残高の推移</source>
        <translation>Balance over time</translation>
    </message>
    <message>
        <source>残高の推移 — %1</source>
        <translation>Balance over time — %1</translation>
    </message>
    <message>
        <source>日付なし</source>
        <translation>No date</translation>
    </message>
    <message>
        <source>%1
残高 %2</source>
        <translation>%1
Balance %2</translation>
    </message>
    <message>
        <source>残高の記録がありません</source>
        <translation>No balance recorded</translation>
    </message>
    <message>
        <source>残高 (円)</source>
        <translation>Balance (yen)</translation>
    </message>
    <message>
        <source>日付</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>記録の順</source>
        <translation>Order of records</translation>
    </message>
    <message>
        <source>利用集計</source>
        <translation>Spending Summary</translation>
    </message>
    <message>
        <source>月</source>
        <translation>Month</translation>
    </message>
    <message>
        <source>運賃 (円)</source>
        <translation>Fares (yen)</translation>
    </message>
    <message>
        <source>物販 (円)</source>
        <translation>Purchases (yen)</translation>
    </message>
    <message>
        <source>チャージ (円)</source>
        <translation>Charges (yen)</translation>
    </message>
    <message>
        <source>合計</source>
        <translation>Total</translation>
    </message>
    <message>
        <source>グラフを保存(&amp;S)...</source>
        <translation>&amp;Save Graph...</translation>
    </message>
    <message>
        <source>交通費の一覧(&amp;J)...</source>
        <translation>Fares for &amp;Journeys...</translation>
    </message>
    <message>
        <source>グラフを保存</source>
        <translation>Save Graph</translation>
    </message>
    <message>
        <source>/残高の推移.png</source>
        <translation>/balance.png</translation>
    </message>
    <message>
        <source>PNG 画像 (*.png);;SVG 画像 (*.svg)</source>
        <translation>PNG images (*.png);;SVG images (*.svg)</translation>
    </message>
    <message>
        <source>月ごとの合計</source>
        <translation>Totals by month</translation>
    </message>
</context>
<context>
    <name>StationImport</name>
    <message>
        <source>%1 の 1 行目: 列の名前がどの駅コード表とも合いません（ファイル名を表の名前にしてください。例: StationCode.csv）</source>
        <translation>%1:1: the columns match no station-code table; name the file after its table (for example StationCode.csv)</translation>
    </message>
    <message>
        <source>駅名表を取り込む</source>
        <translation>Import Station Table</translation>
    </message>
    <message>
        <source>CSV ファイル (*.csv);;すべてのファイル (*)</source>
        <translation>CSV files (*.csv);;All files (*)</translation>
    </message>
    <message numerus="yes">
        <source>駅名を %n 件取り込みました（新規 %1 件、置き換え %2 件）。</source>
        <translation>
            <numerusform>Imported %n station name (%1 new, %2 replaced).</numerusform>
            <numerusform>Imported %n station names (%1 new, %2 replaced).</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>
保存済みの履歴の %n か所に名前を付けました。</source>
        <translation>
            <numerusform>
Named %n place in the stored history.</numerusform>
            <numerusform>
Named %n places in the stored history.</numerusform>
        </translation>
    </message>
    <message>
        <source>
保存済みの履歴には反映できませんでした。
%1</source>
        <translation>
The stored history could not be updated with them.
%1</translation>
    </message>
    <message>
        <source>駅名表を書き出すフォルダ</source>
        <translation>Folder to Export the Station Table To</translation>
    </message>
    <message>
        <source>駅名表を書き出せませんでした。
%1</source>
        <translation>The station table could not be exported.
%1</translation>
    </message>
    <message>
        <source>書き出す駅名がありません。登録した駅名や取り込んだ駅名表があると書き出せます。</source>
        <translation>There are no station names to export. The names you register and the station tables you import can be exported.</translation>
    </message>
    <message>
        <source>駅名表を %1 に書き出しました。
%2</source>
        <translation>The station table was exported to %1.
%2</translation>
    </message>
    <message numerus="yes">
        <source>%1 (%n 件)</source>
        <translation>
            <numerusform>%1 (%n row)</numerusform>
            <numerusform>%1 (%n rows)</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>StationImportErrorsDialog</name>
    <message>
        <source>駅名表の取り込み</source>
        <translation>Import Station Table</translation>
    </message>
    <message>
        <source>駅名表を取り込めませんでした。次の問題があるため、どの行も取り込んでいません。
ファイルを直してから、もう一度取り込んでください。</source>
        <translation>The station table could not be imported: because of the problems below, no line was imported.
Correct the files, then import them again.</translation>
    </message>
</context>
<context>
    <name>StationImportProgressDialog</name>
    <message>
        <source>中止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>駅名表を読んでいます...</source>
        <translation>Reading the station table...</translation>
    </message>
    <message>
        <source>駅名を書き込んでいます...</source>
        <translation>Writing the station names...</translation>
    </message>
    <message>
        <source>中止しています...</source>
        <translation>Stopping...</translation>
    </message>
</context>
<context>
    <name>StoredCardsDock</name>
    <message>
        <source>保存済みカード</source>
        <translation>Stored Cards</translation>
    </message>
    <message>
        <source>カード</source>
        <translation>Card</translation>
    </message>
    <message>
        <source>名前</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>件数</source>
        <translation>Rows</translation>
    </message>
    <message>
        <source>最初</source>
        <translation>First</translation>
    </message>
    <message>
        <source>最後</source>
        <translation>Last</translation>
    </message>
    <message>
        <source>このカードの履歴を表示</source>
        <translation>Show This Card&apos;s History</translation>
    </message>
    <message>
        <source>名前を付ける...</source>
        <translation>Give a Name...</translation>
    </message>
    <message>
        <source>保存済みのカードを一覧できません。
%1</source>
        <translation>The stored cards cannot be listed.
%1</translation>
    </message>
    <message>
        <source>（%1）</source>
        <translation> (%1)</translation>
    </message>
    <message>
        <source>カードの名前を保存できませんでした。
%1</source>
        <translation>The card&apos;s name could not be saved.
%1</translation>
    </message>
    <message>
        <source>名前を付ける</source>
        <translation>Give a Name</translation>
    </message>
    <message>
        <source>%1 の名前（空欄で名前を消します）:</source>
        <translation>Name of %1 (empty to remove the name):</translation>
    </message>
    <message>
        <source>削除...</source>
        <translation>Delete...</translation>
    </message>
    <message>
        <source>「%1」 %2</source>
        <translation>“%1” %2</translation>
    </message>
    <message numerus="yes">
        <source>次のカードを削除しますか？

%1（%n 件）

保存されている履歴、名前、ブランドが履歴データベースから消えます。この操作は元に戻せません。</source>
        <translation>
            <numerusform>Delete this card?

%1 (%n record)

Its stored history, name and brand will be removed from the history database. This cannot be undone.</numerusform>
            <numerusform>Delete this card?

%1 (%n records)

Its stored history, name and brand will be removed from the history database. This cannot be undone.</numerusform>
        </translation>
    </message>
    <message>
        <source>カードの削除</source>
        <translation>Delete Card</translation>
    </message>
    <message>
        <source>カードを削除できませんでした。
%1</source>
        <translation>The card could not be deleted.
%1</translation>
    </message>
</context>
<context>
    <name>Strings</name>
    <message>
        <source>入場会社名取得(バス)でエラーが発生しました。</source>
        <translation>Looking up the boarding company (bus) failed.</translation>
    </message>
    <message>
        <source>入場会社名取得(鉄道)でエラーが発生しました。</source>
        <translation>Looking up the entry company (rail) failed.</translation>
    </message>
    <message>
        <source>入場路線名取得(バス)でエラーが発生しました。</source>
        <translation>Looking up the boarding line (bus) failed.</translation>
    </message>
    <message>
        <source>入場路線名取得(鉄道)でエラーが発生しました。</source>
        <translation>Looking up the entry line (rail) failed.</translation>
    </message>
    <message>
        <source>入場駅名取得(バス)でエラーが発生しました。</source>
        <translation>Looking up the boarding stop (bus) failed.</translation>
    </message>
    <message>
        <source>入場駅名取得(鉄道)でエラーが発生しました。</source>
        <translation>Looking up the entry station (rail) failed.</translation>
    </message>
    <message>
        <source>物販会社名取得でエラーが発生しました。</source>
        <translation>Looking up the shop company failed.</translation>
    </message>
    <message>
        <source>出場会社名取得でエラーが発生しました。</source>
        <translation>Looking up the exit company failed.</translation>
    </message>
    <message>
        <source>出場路線名取得でエラーが発生しました。</source>
        <translation>Looking up the exit line failed.</translation>
    </message>
    <message>
        <source>物販店舗名取得でエラーが発生しました。</source>
        <translation>Looking up the shop failed.</translation>
    </message>
    <message>
        <source>駅名取得でエラーが発生しました。</source>
        <translation>Looking up the station failed.</translation>
    </message>
    <message>
        <source>改札ログ駅名検索でエラーが発生しました。</source>
        <translation>Looking up the gate log&apos;s station failed.</translation>
    </message>
    <message>
        <source>改札ログ境界駅名検索でエラーが発生しました。</source>
        <translation>Looking up the gate log&apos;s boundary station failed.</translation>
    </message>
    <message>
        <source>カード種別自動選択モード</source>
        <translation>Choose the card type automatically</translation>
    </message>
    <message>
        <source>JR Suica/ICOCA/TOICA PiTaPa PASMOカード</source>
        <translation>JR Suica/ICOCA/TOICA, PiTaPa and PASMO cards</translation>
    </message>
    <message>
        <source>ことでん イルカ カード</source>
        <translation>Kotoden IruCa card</translation>
    </message>
    <message>
        <source>北鉄 アイカ カード</source>
        <translation>Hokutetsu ICa card</translation>
    </message>
    <message>
        <source>せたまる</source>
        <translation>Setamaru</translation>
    </message>
    <message>
        <source>東急 せたまる カード</source>
        <translation>Tokyu Setamaru card</translation>
    </message>
    <message>
        <source>かごしま5事業者共通乗車カード</source>
        <translation>RapiCa, the card of five Kagoshima operators</translation>
    </message>
    <message>
        <source>奈良交通 CI-CA</source>
        <translation>Nara Kotsu CI-CA</translation>
    </message>
    <message>
        <source>遠州鉄道 nice･pass!</source>
        <translation>Enshu Railway nice･pass!</translation>
    </message>
    <message>
        <source>長崎スマートカード</source>
        <translation>Nagasaki Smart Card</translation>
    </message>
    <message>
        <source>長崎県 長崎スマートカード</source>
        <translation>Nagasaki Smart Card (Nagasaki Prefecture)</translation>
    </message>
    <message>
        <source>静岡鉄道 LuLuCa</source>
        <translation>Shizuoka Railway LuLuCa</translation>
    </message>
    <message>
        <source>い～カード</source>
        <translation>IC i-card</translation>
    </message>
    <message>
        <source>ICい～カード</source>
        <translation>IC i-card</translation>
    </message>
    <message>
        <source>伊予鉄道 ICい～カード</source>
        <translation>Iyotetsu IC i-card</translation>
    </message>
    <message>
        <source>富山ライトレール passca</source>
        <translation>Toyama Light Rail passca</translation>
    </message>
    <message>
        <source>電子マネー エディー</source>
        <translation>Edy electronic money</translation>
    </message>
    <message>
        <source>JAL IC サービス カード</source>
        <translation>JAL IC service card</translation>
    </message>
    <message>
        <source>い～カード(モバイル)</source>
        <translation>IC i-card (Mobile)</translation>
    </message>
    <message>
        <source>ICい～カード(モバイル)</source>
        <translation>IC i-card (Mobile)</translation>
    </message>
    <message>
        <source>伊予鉄道 ICい～カード(モバイル)</source>
        <translation>Iyotetsu IC i-card (Mobile)</translation>
    </message>
    <message>
        <source>電子マネー nanaco</source>
        <translation>nanaco electronic money</translation>
    </message>
    <message>
        <source>電子マネー WAON</source>
        <translation>WAON electronic money</translation>
    </message>
    <message>
        <source>FeliCa リーダ・ライタが認識できません(READ)。</source>
        <translation>The FeliCa reader/writer is not recognised (READ).</translation>
    </message>
    <message>
        <source>Suicaが読み取れません。</source>
        <translation>The Suica card cannot be read.</translation>
    </message>
    <message>
        <source>読み取りました。</source>
        <translation>The ticket was read.</translation>
    </message>
    <message>
        <source>駅コード データベース オープン失敗</source>
        <translation>The station code database could not be opened</translation>
    </message>
    <message>
        <source>駅コード レコード検索失敗</source>
        <translation>The station code record could not be found</translation>
    </message>
    <message>
        <source>離&#x3000;席：</source>
        <translation>Seat left: </translation>
    </message>
    <message>
        <source>着&#x3000;席：</source>
        <translation>Seated: </translation>
    </message>
    <message>
        <source> (FeliCa製造 %1年%2月%3日)</source>
        <translation> (manufactured %1-%2-%3)</translation>
    </message>
    <message>
        <source>%1 は壊れているか履歴データベースではないため、変更せずにそのまま残しました。</source>
        <translation>%1 is damaged or not a history database; it was left as it is.</translation>
    </message>
    <message>
        <source>%1 は他のプログラムが使用中です。今回の履歴は保存していません。</source>
        <translation>%1 is in use by another program. This history was not stored.</translation>
    </message>
    <message>
        <source>%1 に書き込めないため、今回の履歴は保存していません。</source>
        <translation>%1 cannot be written to; this history was not stored.</translation>
    </message>
    <message>
        <source>指定券等情報の読込に失敗しました(%1)。</source>
        <translation>Reading the ticket failed (%1).</translation>
    </message>
    <message>
        <source>OLE の初期化に失敗しました。OLE ライブラリのバージョンが正しいことを確認してください。</source>
        <translation>OLE could not be initialised. Check that the OLE libraries are of the right version.</translation>
    </message>
    <message>
        <source>Windows ソケットの初期化に失敗しました。</source>
        <translation>The sockets could not be initialised.</translation>
    </message>
    <message>
        <source>駅コード&#x3000;データベースを開くことができません</source>
        <translation>The station code database cannot be opened</translation>
    </message>
    <message>
        <source>駅名検索でエラーが発生しました</source>
        <translation>Looking up a station name failed</translation>
    </message>
    <message>
        <source>ポート番号は0～65535の範囲で設定してください。</source>
        <translation>Give a port number from 0 to 65535.</translation>
    </message>
    <message>
        <source>ソケットが作成できません。</source>
        <translation>A socket cannot be made.</translation>
    </message>
    <message>
        <source>リーダ・ライタを自動認識できません</source>
        <translation>No reader/writer was recognised</translation>
    </message>
    <message>
        <source>カードからのデータの読み込みに失敗しました</source>
        <translation>Reading the data from the card failed</translation>
    </message>
    <message>
        <source>SF カードを認識することができません</source>
        <translation>The card is not recognised</translation>
    </message>
    <message>
        <source>カードの読み取り
読み取り</source>
        <translation>Reads the card
Read</translation>
    </message>
    <message>
        <source>基本的な設定を行います
設定</source>
        <translation>Changes the basic settings
Settings</translation>
    </message>
    <message>
        <source>Suicaグリーン情報の読み取り
Suicaグリーン券</source>
        <translation>Reads the Suica Green ticket
Suica Green ticket</translation>
    </message>
    <message>
        <source>履歴読み上げを開始
読み上げ開始</source>
        <translation>Starts reading the history aloud
Read aloud</translation>
    </message>
    <message>
        <source>履歴読み上げを中止
読み上げ中止</source>
        <translation>Stops reading the history aloud
Stop reading aloud</translation>
    </message>
    <message>
        <source>カードイメージのファイルをリーダ・ライタ上のカードとして読みます
カードイメージを開く</source>
        <translation>Reads a card image file as the card on the reader/writer
Open card image</translation>
    </message>
    <message>
        <source>リーダ・ライタ上のカードをカードイメージのファイルに保存します
カードイメージとして保存</source>
        <translation>Saves the card on the reader/writer as a card image file
Save as card image</translation>
    </message>
    <message>
        <source>駅名表 (CSV ファイル) の駅名を自分の駅名表に取り込みます
駅名表を取り込む</source>
        <translation>Imports the names of a station table (CSV file) into your own station table
Import station table</translation>
    </message>
    <message>
        <source>自分で登録した駅名を CSV ファイルに書き出します
駅名表を書き出す</source>
        <translation>Writes the station names you registered to CSV files
Export station table</translation>
    </message>
    <message>
        <source>History.db に保存されたカードの一覧を表示します
保存済みカード</source>
        <translation>Lists the cards stored in History.db
Stored cards</translation>
    </message>
    <message>
        <source>履歴を日付・区間・金額の一行ずつの一覧で表示します
シンプル表示</source>
        <translation>Shows the history as a plain list, one line a record: date, route and amount
Plain list</translation>
    </message>
    <message>
        <source>表示中のカードの月ごとの運賃・物販・チャージと残高の推移を表示します
利用集計</source>
        <translation>Shows the card&apos;s fares, purchases and charges by month, and its balance over time
Spending summary</translation>
    </message>
    <message>
        <source>期間内の運賃を交通費の一覧にします
交通費の一覧</source>
        <translation>Lists the fares of a period as travel expenses
Fares for journeys</translation>
    </message>
    <message>
        <source>新しい空のドキュメントを作ります
新規作成</source>
        <translation>Makes a new, empty document
New</translation>
    </message>
    <message>
        <source>ドキュメントを開きます
開く</source>
        <translation>Opens a document
Open</translation>
    </message>
    <message>
        <source>履歴をファイルに保存します
名前を付けて保存</source>
        <translation>Saves the history to a file
Save as</translation>
    </message>
    <message>
        <source>プリンタと印刷の設定を変えます
プリンタの設定</source>
        <translation>Changes the printer and the print settings
Print setup</translation>
    </message>
    <message>
        <source>履歴を印刷します
印刷</source>
        <translation>Prints the history
Print</translation>
    </message>
    <message>
        <source>印刷される姿を表示します
印刷プレビュー</source>
        <translation>Shows the page as it will be printed
Print preview</translation>
    </message>
    <message>
        <source>選んだセルと履歴の図をクリップボードにコピーします
コピー</source>
        <translation>Copies the chosen cells and a picture of the history to the clipboard
Copy</translation>
    </message>
    <message>
        <source>選んだ部分を切り取ります
切り取り</source>
        <translation>Cuts the selection
Cut</translation>
    </message>
    <message>
        <source>クリップボードの内容を貼り付けます
貼り付け</source>
        <translation>Pastes from the clipboard
Paste</translation>
    </message>
    <message>
        <source>すべてのセルを選びます
すべて選択</source>
        <translation>Selects every cell
Select all</translation>
    </message>
    <message>
        <source>直前の操作を元に戻します
元に戻す</source>
        <translation>Undoes the last action
Undo</translation>
    </message>
    <message>
        <source>プログラムの情報とバージョンを表示します
バージョン情報</source>
        <translation>Shows the program&apos;s information and version
About</translation>
    </message>
    <message>
        <source>アプリケーションを終了します
終了</source>
        <translation>Quits the application
Exit</translation>
    </message>
    <message>
        <source>ヘルプのトピックを表示します
ヘルプ</source>
        <translation>Shows the help topics
Help</translation>
    </message>
    <message>
        <source>クリックした項目のヘルプを表示します
ヘルプ</source>
        <translation>Shows help on the item clicked
Help</translation>
    </message>
    <message>
        <source>ヘルプの目次を表示します
ヘルプ</source>
        <translation>Shows the contents of the help
Help</translation>
    </message>
    <message>
        <source>次のウィンドウ枠に切り替えます
次のウィンドウ枠</source>
        <translation>Switches to the next pane
Next pane</translation>
    </message>
    <message>
        <source>前のウィンドウ枠に切り替えます
前のウィンドウ枠</source>
        <translation>Switches to the previous pane
Previous pane</translation>
    </message>
    <message>
        <source>ツール バーの表示と非表示を切り替えます
ツール バー</source>
        <translation>Shows or hides the tool bar
Tool bar</translation>
    </message>
    <message>
        <source>ステータス バーの表示と非表示を切り替えます
ステータス バー</source>
        <translation>Shows or hides the status bar
Status bar</translation>
    </message>
    <message>
        <source>履歴保存データベースOpenエラー</source>
        <translation>History database open error</translation>
    </message>
    <message>
        <source>履歴保存データベース検索エラー</source>
        <translation>History database search error</translation>
    </message>
    <message>
        <source>履歴保存データベースInsertエラー</source>
        <translation>History database insert error</translation>
    </message>
    <message>
        <source>サーバーへ接続失敗</source>
        <translation>Connecting to the server failed</translation>
    </message>
    <message>
        <source>保存ファイルを作成できません。</source>
        <translation>The file cannot be created.</translation>
    </message>
    <message>
        <source>履歴情報を送信しています...</source>
        <translation>Sending the history...</translation>
    </message>
    <message>
        <source>Auto(&amp;A)</source>
        <translation>&amp;Auto</translation>
    </message>
    <message>
        <source>はやかけん</source>
        <translation>Hayakaken</translation>
    </message>
</context>
<context>
    <name>UnregisteredNamesBar</name>
    <message>
        <source>「未登録」と表示された駅名は、まだ駅名表に登録されていません。名前をダブルクリックして登録するか、駅名表 (CSV) を取り込めます。</source>
        <translation>Station names shown as 「未登録」 (unregistered) are not in the station table yet. Double-click a name to register it, or import a station table (CSV).</translation>
    </message>
    <message>
        <source>駅名を登録</source>
        <translation>Name the Station</translation>
    </message>
    <message>
        <source>駅名表を取り込む...</source>
        <translation>Import Station Table...</translation>
    </message>
    <message>
        <source>今後表示しない</source>
        <translation>Don&apos;t Show Again</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>WindowTexts</name>
    <message>
        <source>、</source>
        <translation>; </translation>
    </message>
    <message>
        <source>リーダ・ライタを開けませんでした（%1）</source>
        <translation>The reader/writer could not be opened (%1)</translation>
    </message>
</context>
</TS>
